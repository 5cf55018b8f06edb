# The test functions of test_wizard_pages, each run as a CTest test of its own.
set(SL_WIZARD_TEST_CASES)
