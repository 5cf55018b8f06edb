#include "wizard/pages/folder_browser.h"

#include <QFileInfo>

#include "common/session/prefix_paths.h"

namespace sl::wizard {

QString NearestExistingFolder(const std::string& prefixPath, const std::string& dosPath) {
    std::string dos = dosPath;
    while (!dos.empty()) {
        std::string unixPath;
        if (session::PrefixUnixPath(prefixPath, dos, &unixPath) == 0) {
            const QString candidate = QString::fromStdString(unixPath);
            if (QFileInfo(candidate).isDir()) return QFileInfo(candidate).absoluteFilePath();
        }
        // One level up; "C:\" is the last folder tried.
        while (!dos.empty() && dos.back() == '\\') dos.pop_back();
        const std::size_t cut = dos.rfind('\\');
        if (cut == std::string::npos) break;
        dos.erase(cut + 1);
        if (dos.size() > 3) dos.pop_back();
    }
    return {};
}

BrowseResult BrowseForFolder(const WizardServices& services, const QString& title,
                             const std::string& start, QWidget* owner) {
    BrowseResult result;
    const QString startUnix = NearestExistingFolder(services.DriveFolder(), start);
    if (!services.chooseFolder) return result;
    result.unixPath = services.chooseFolder(owner, title, startUnix);
    if (result.unixPath.isEmpty()) return result;
    // In the ANSI code page, as the kernel takes DOS paths.
    result.dosPath =
        session::PrefixDosPath(services.DriveFolder(), result.unixPath.toStdString());
    return result;
}

}  // namespace sl::wizard
