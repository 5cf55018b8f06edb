#include "wizard/pages/folder_browser.h"

#include <QDir>

#include "kernel/platform/wine/dos_paths.h"

namespace sl::wizard {

BrowseResult BrowseForFolder(const WizardServices& services, const QString& title,
                             const std::string& start, QWidget* owner) {
    BrowseResult result;
    QString startUnix;
    std::string unixStart;
    if (!start.empty() &&
        platform::wine::DosToUnixPath(services.prefixPath, start, &unixStart) == 0) {
        startUnix = QString::fromStdString(unixStart);
        // Start at the nearest folder that exists.
        QDir dir(startUnix);
        while (!dir.exists() && dir.cdUp()) {
        }
        startUnix = dir.absolutePath();
    }
    if (!services.chooseFolder) return result;
    result.unixPath = services.chooseFolder(owner, title, startUnix);
    if (result.unixPath.isEmpty()) return result;
    // In the ANSI code page, as the kernel takes DOS paths.
    result.dosPath =
        platform::wine::UnixToDosPath(services.prefixPath, result.unixPath.toStdString());
    return result;
}

}  // namespace sl::wizard
