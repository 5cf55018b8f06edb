# The test functions of test_wizard_pages, each run as a CTest test of its own
# (the kernel library keeps the registry it read for the life of a process).
set(SL_WIZARD_TEST_CASES
  backupTypical
  backupCustomWithDetails
  backupAllThroughBrowse
  backFromTheFolderPage
  nothingChecked
  restoreFolderWithoutBackupFiles
  restore
  unrestore
  cancelDuringRun
  closeDuringRun
  runWithFailedComponents
  restoreWithoutUndoCopy
  backupIntoUnreadableFolder
  choosePrefix
  noPrefixAtStart
  prefixDialog
  aboutBox
  statusLineFollowsALargeComponent
  returnClosesTheFinishPage
  choicesKeptAfterBack
  keyboardThroughDetailsSheets
  browseStartsAtTheNearestExistingFolder
  failedRunNamesItsLog
  windowFitsTheScreen
  checkBoxesVisibleOnADarkPalette
  scratchMachineRemovedAtExit
  backupFromAWindowsDisk
  severalProfilesAskForOne
  unusableDisplayEndsWithStatus2)
# Run again on a real X server (Xvfb) whose 1280x1024 screen is scaled by 2,
# where the fixed size of old did not fit.
set(SL_WIZARD_SCALED_TEST_CASES
  windowFitsTheScreen
  keyboardThroughDetailsSheets
  checkBoxesVisibleOnADarkPalette)
