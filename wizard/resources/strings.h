// The program's texts: captions, page texts and messages, each exactly as
// the user sees it. printf-style formats are marked with their arguments.
#pragma once

namespace sl::strings {

// String table 103 and 104: the sheets' and message boxes' caption.
inline constexpr const char* kCaption = "Quendara Stowlark";

// Welcome page (template 112).
inline constexpr const char* kWelcomeLine = "Welcome to Quendara Stowlark";
inline constexpr const char* kWelcomeText =
    "Please choose whether you want to backup your current preferences, or whether you want "
    "to restore previously backed-up preferences to this computer.";
inline constexpr const char* kWelcomeGroup = "Backup/Restore";
inline constexpr const char* kBackup = "Backup";
inline constexpr const char* kRestore = "Restore";
inline constexpr const char* kAbout = "About";
// The Wine prefix the wizard works on, and its chooser.
inline constexpr const char* kPrefixGroup = "Windows machine (Wine prefix)";
inline constexpr const char* kPrefixChange = "Change...";
inline constexpr const char* kPrefixNone = "No Wine prefix is chosen.";
inline constexpr const char* kChoosePrefixFirst =
    "Please choose the Wine prefix to work on: click Change...";
// %s why the prefix named at start cannot be worked on.
inline constexpr const char* kPrefixUnusableAtStart =
    "%s\n\nChoose another Wine prefix on the welcome page.";
inline constexpr const char* kPrefixDialogTitle = "Choose the Wine prefix";
inline constexpr const char* kPrefixDialogText =
    "Choose the Wine prefix (the Windows machine) to work on. These prefixes were found where "
    "Wine and the prefix managers keep them; Other folder... takes any other prefix.";
inline constexpr const char* kPrefixNoneFound =
    "No Wine prefix was found where Wine and the prefix managers keep them. Other folder... "
    "takes a prefix folder of your choice.";
inline constexpr const char* kPrefixOtherFolder = "Other folder...";
inline constexpr const char* kPrefixColumnName = "Name";
inline constexpr const char* kPrefixColumnArch = "Architecture";
inline constexpr const char* kPrefixColumnFolder = "Folder";
// A Windows disk (a mounted Windows installation) as the machine to back up
// from, and the choice of its user profile.
inline constexpr const char* kDiskChoose = "Windows disk...";
inline constexpr const char* kDiskFolderTitle = "Select the Folder of the Windows Disk";
// %s the disk folder, %s the user profile.
inline constexpr const char* kDiskLabel = "Windows disk %s\nUser profile: %s";
inline constexpr const char* kDiskRestoreNote =
    "A Windows disk is only read: Restore is not offered while it is the machine to work on. "
    "To restore, choose a Wine prefix with Change...";
inline constexpr const char* kProfileDialogTitle = "Choose the User Profile";
// %s the disk folder.
inline constexpr const char* kProfileDialogText =
    "The Windows disk %s has several user profiles. Please select the user whose preferences "
    "you want to backup.";

// Backup-option page (template 104).
inline constexpr const char* kBackupOptionText =
    "Please select one of the the backup options below.\nExperienced users can choose the "
    "Custom option for the most flexibility.";
inline constexpr const char* kBackupOptionGroup = "Backup Option";
inline constexpr const char* kTypical = "Typical";
inline constexpr const char* kCustom = "Custom";
inline constexpr const char* kAll = "All";
inline constexpr const char* kDescription = "Description";
inline constexpr const char* kTypicalDescription = "Typical components will be backed up.";
inline constexpr const char* kCustomDescription =
    "Select exactly which components you want to back up.";
inline constexpr const char* kAllDescription =
    "All supported components will be backed up.\n\n\nWarning: May require several MB of disk "
    "space.";

// Restore-choice page (template 110).
inline constexpr const char* kRestoreChoiceText =
    "Please select whether you want to restore previously backed-up preferences to this "
    "computer, or unrestore (undo) previously restored components.";
inline constexpr const char* kRestoreChoiceGroup = "Restore/Unrestore";
inline constexpr const char* kRestoreComponents = "Restore components";
inline constexpr const char* kUnrestoreComponents = "Unrestore components";
inline constexpr const char* kRestoreDescription =
    "Restore components that have not yet been restored.\n\nYou will be given a list of "
    "components to restore.";
inline constexpr const char* kUnrestoreDescription =
    "Unrestore (undo) components that have previously been restored.\n\nYou will be given the "
    "list of components that have been restored on this computer.";

// Selection page (template 105). %s verb, %s participle.
inline constexpr const char* kSelectionPrompt =
    "Please select components to %s. To add or remove a component, click the check box. A "
    "shaded box means that only part of the component will be %s. To see what's included in a "
    "component, click Details.";
inline constexpr const char* kDetails = "Details";
// The component list's name and help for screen readers.
inline constexpr const char* kComponentsName = "Components";
inline constexpr const char* kComponentsHelp =
    "Space checks or unchecks the selected component.";
inline constexpr const char* kOK = "OK";
// %s verb.
inline constexpr const char* kSelectAtLeastOne = "Please select at least one component to %s.";
inline constexpr const char* kCloseAllApplications =
    "You must close ALL applications and windows before proceeding,\nincluding Microsoft File "
    "Explorer windows and task-bar applications.";

// Folder page (template 106).
inline constexpr const char* kPathLabel = "Path:";
inline constexpr const char* kBrowse = "Browse";
inline constexpr const char* kFolderPromptBackup =
    "Please select the directory where the Stowlark backup files should be copied to.";
inline constexpr const char* kFolderPromptRestore =
    "Please select the directory where the Stowlark backup files are located.";
inline constexpr const char* kBrowseTitleBackup = "Select Backup Destination Folder";
inline constexpr const char* kBrowseTitleRestore = "Select Backed-up Files Folder";
// %s the path as typed.
inline constexpr const char* kFolderDoesNotExist =
    "The folder %s does not exist. Would you like to create it?";
inline constexpr const char* kSupplyValidPath = "You must supply a valid pathname.";
inline constexpr const char* kErrorCreatingDirectory = "Error creating directory.";
inline constexpr const char* kNoBackupFiles =
    "The directory you selected does not contain Stowlark backup files.\nPlease select the "
    "directory where the Stowlark backup files are stored/have been copied to.";
// %s the Unix folder chosen in the browser.
inline constexpr const char* kFolderOnNoDrive =
    "The folder %s is not on any drive of the Windows machine.\nPlease select a folder on one "
    "of its drives.";
// %s the folder as typed.
inline constexpr const char* kFolderOnTheDisk =
    "The folder %s lies on the Windows disk, which is only read.\nPlease select a folder "
    "outside it, for example on drive Z:.";

// Summary page (template 107).
inline constexpr const char* kSummaryBackup =
    "The following components have been selected for backup. (It is advisable that you copy "
    "this list for future use.)\nPlease press the Next button to start the backup process.";
inline constexpr const char* kSummaryRestore =
    "The following components have been selected for restore.\nPlease press the Next button "
    "to start the restore process.";
inline constexpr const char* kSummaryUnrestore =
    "The following components have been selected for unrestore.\nPlease press the Next button "
    "to start the unrestore process.";
// %s the Wine prefix, on a line of its own so that it is never broken.
inline constexpr const char* kWindowsProgramsRunning =
    "Windows programs are still running in this computer's Wine prefix\n%s\nPlease close ALL "
    "Windows programs, including task-bar applications, then press Next again.";

// Run page (template 108). %s "backing-up", "restoring" or "unrestoring".
inline constexpr const char* kRunStatus = "Stowlark is currently %s your preferences.";
// After Cancel, until the library has stopped.
inline constexpr const char* kStopping = "Stopping after the current item...";
// The count under the bar; %s the number.
inline constexpr const char* kFilesCopied = "(%s files copied)";
inline constexpr const char* kOneFileCopied = "(%s file copied)";
inline constexpr const char* kProgressName = "Progress";

// Finish page (template 109).
inline constexpr const char* kThanks = "Thank you for using QD-Stowlark.\n";
inline constexpr const char* kThanksBackup =
    "Your personal settings are now safe, and can be restored on this, or any other computer.";
inline constexpr const char* kThanksRestore =
    "You can run QD-Stowlark again to restore more components, or to unrestore components to "
    "their original, pre-Stowlark, settings.";
inline constexpr const char* kThanksUnrestore =
    "You can run QD-Stowlark again to unrestore more components, or to re-restore component "
    "settings.";
inline constexpr const char* kUserAbort = "User Abort";
inline constexpr const char* kReportHeader =
    "Error(s) occured with the following components :\r\n"
    "\t(see end of list for recommended course of action)\r\n";
inline constexpr const char* kReportRecommendations =
    "Try the following recommendation to fix the errors:\r\n"
    "1. Close *all* applications, including task-bar applications, before running Stowlark.\r\n"
    "2. Stowlark can only restore preferences to the same application versions:\r\n"
    "\t Ensure that the same application versions are installed.\r\n"
    "3. Ensure you have enough space on the destination path for the Stowlark backup files.\r\n";
// %s the pre-restore folder, %u the error number.
inline constexpr const char* kNoUndoCopy =
    "Note: the pre-restore folder %s could not be created (error %u), so no undo copy of the "
    "previous settings was made; these components cannot be unrestored.";
// The first sentence of a finish page after a run that did not fully
// succeed; %s "backup", "restore" or "unrestore".
inline constexpr const char* kRunStopped = "The %s was stopped before it finished.";
inline constexpr const char* kRunFailedComponents =
    "The %s did not complete: the components listed below failed.";
inline constexpr const char* kRunIncomplete = "The %s did not complete.";
// The report of a failed run without a failed component to name.
inline constexpr const char* kRunIncompleteReport =
    "No single component failed; the log names the error.";
// %s the log file's full path.
inline constexpr const char* kLogIsAt = "The log names every error: %s";
inline constexpr const char* kOpenLog = "Open Log";
inline constexpr const char* kClose = "Close";

// About box. %s the version.
inline constexpr const char* kAboutTitle = "About Quendara Stowlark";
inline constexpr const char* kAboutText =
    "Quendara Stowlark\nVersion %s\n\nSaves the preferences of Windows applications into a "
    "backup folder, restores them on this or another computer, and undoes a restore.";

// Start-up.
inline constexpr const char* kDemoMachineTitle = " (demo machine)";
// %s the scratch prefix.
inline constexpr const char* kDemoMachineNote =
    "No Wine prefix is set up, so Stowlark works on a scratch copy of the demo machine in "
    "%s.";
// %s the variable that names the display, %s its value.
inline constexpr const char* kDisplayUnusable =
    "Stowlark cannot open its window: the display %s=%s cannot be used (no display server "
    "answers there, or access to it is refused).\nStart Stowlark from a desktop session, or "
    "use the command-line program instead:\n  stowlark-cli --help\n";
inline constexpr const char* kNeedsDisplay =
    "Stowlark is a graphical program and needs a display, but neither DISPLAY nor "
    "WAYLAND_DISPLAY is set.\nWithout a display, use the command-line program instead:\n"
    "  stowlark-cli --help\n";

}  // namespace sl::strings
