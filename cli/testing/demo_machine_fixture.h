// A test fixture for the real stowlark-cli: every test gets a scratch copy
// of the demo machine in a temporary folder of its own, removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/testing/cli_runner.h"

namespace sl::testing {

class DemoMachineTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = MakeTempFolder();
        prefix_ = CopyDemoMachine(root_, "machine");
        folder_ = root_ + "/backup";
    }
    void TearDown() override { RemoveTree(root_); }

    // Runs stowlark-cli on the scratch machine: --prefix, then args.
    CliResult Cli(std::vector<std::string> args) {
        args.insert(args.begin(), {"--prefix", prefix_});
        return RunCli(args);
    }

    std::string root_;    // the temporary folder that holds everything
    std::string prefix_;  // the scratch machine, root_/machine
    std::string folder_;  // a backup folder the tests may create, root_/backup
};

}  // namespace sl::testing
