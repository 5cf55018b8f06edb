// Support for the wizard's tests: a scratch copy of the demo machine that the
// kernel library works on, answers to message boxes, and the machine's files
// and registry as they are on disk.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "wizard/pages/message_box.h"
#include "wizard/pages/wizard_context.h"
#include "common/session/kernel_binding.h"

namespace sl::wizard::testing {

// A scratch copy of the demo machine, made the process's WINEPREFIX before
// the kernel library first touches the machine. Removed on destruction.
class ScratchMachine {
public:
    ScratchMachine();
    ~ScratchMachine();

    bool Ready() const { return !prefix_.empty(); }
    const std::string& Prefix() const { return prefix_; }
    // The Unix path of a DOS path of the machine.
    std::string Unix(const std::string& dosPath) const;
    bool Exists(const std::string& dosPath) const;
    std::string ReadFile(const std::string& dosPath) const;
    void WriteFile(const std::string& dosPath, const std::string& bytes) const;
    // The first file below drive C: with that name (any case), as a DOS path.
    std::string FindFile(const std::string& name) const;
    // Names of the files in a folder of the machine.
    std::vector<std::string> FilesIn(const std::string& dosFolder) const;

    // Every value below a key, read from the hive files as they are now:
    // "subkey\name" -> type + data.
    std::map<std::string, std::string> RegistryTree(uintptr_t root, const std::string& key) const;
    // Sets a string value and writes the hive (only before the library has
    // read the registry in this process).
    bool SetRegistryString(uintptr_t root, const std::string& key, const std::string& name,
                           const std::string& value) const;

private:
    std::string prefix_;
};

// The kernel library of this build.
session::KernelBinding& Kernel();

// Runs SL_RunInstructions in a separate process on the prefix, so that this
// process's library has not read the registry yet. Returns its result.
int RunKernelInChild(const std::string& prefix, const std::string& ids,
                     const std::string& folder, int mode);
// The child's side; call from main() when argv[1] is "--kernel-run".
int KernelRunChildMain(int argc, char** argv);

// Answers message boxes: records every request and answers with the next
// queued button, or Yes (when offered) / OK.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    void Queue(QMessageBox::StandardButton answer) { answers_.push_back(answer); }
    const std::vector<MessageRequest>& Requests() const { return requests_; }
    QStringList Texts() const;
    void Clear() { requests_.clear(); }

private:
    std::vector<MessageRequest> requests_;
    std::deque<QMessageBox::StandardButton> answers_;
};

// A context on the real library with the given prefix.
std::unique_ptr<WizardContext> MakeContext(const std::string& prefix);

}  // namespace sl::wizard::testing
