// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// Each process keeps its temporary files in a folder of its own under the
// temporary directory, "tarvolent-PID-START-XXXXXX" (mkdtemp, mode 0700;
// PID and START, the process's start time, say whose it is), so two
// instances, two users or two machines never share a file. The folder is
// made on first use and removed when the process ends: at a normal exit, and
// on SIGTERM, SIGINT and SIGHUP once RemoveOnSignals was called (the window
// turns those into a normal exit instead).
namespace private_temp {

// $TMPDIR, else /tmp, with a trailing '/'.
std::string TemporaryDirectory();
// The folder with a trailing '/', made on first use under
// TemporaryDirectory(); "" when it cannot be made.
std::string Folder();
// The same kind of folder under another directory, for when the temporary
// directory cannot be used; removed with the other. Leftovers of dead
// processes there are removed when it is first made. It passes the trust
// check of the runtime directory (nobody else can change the folders above
// it), else it is removed again and the refusal, naming it, goes to
// *refusal. "" when it cannot be made or is refused.
std::string FolderIn(const std::string& directory, std::string* refusal = nullptr);
// Removes the folders and what they hold, if made by this process. Safe
// inside a signal handler.
void Remove();
// SIGTERM, SIGINT and SIGHUP remove the folder, then end the process as the
// signal would have.
void RemoveOnSignals();
// Removes the folders of this user's processes that no longer run from the
// temporary directory, or from `directory`; how many.
int RemoveLeftovers();
int RemoveLeftoversIn(const std::string& directory);

}  // namespace private_temp
