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
  runWithFailedComponents
  restoreWithoutUndoCopy
  backupIntoUnreadableFolder
  choosePrefix
  noPrefixAtStart
  prefixDialog
  aboutBox)
