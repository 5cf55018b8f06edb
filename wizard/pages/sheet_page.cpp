#include "wizard/pages/sheet_page.h"

#include "wizard/pages/property_sheet.h"

namespace sl::wizard {

CSheetPage::CSheetPage(int templateId, WizardContext& context, QWidget* parent)
    : QWizardPage(parent), context_(context), templateId_(templateId) {
    setObjectName(QStringLiteral("page%1").arg(templateId));
}

CMyPropertySheet* CSheetPage::Sheet() const { return qobject_cast<CMyPropertySheet*>(wizard()); }

bool CSheetPage::validatePage() {
    const int target = OnWizardNext();
    if (target == -1) return false;
    if (CMyPropertySheet* sheet = Sheet()) sheet->SetPendingJump(templateId_, target);
    return true;
}

}  // namespace sl::wizard
