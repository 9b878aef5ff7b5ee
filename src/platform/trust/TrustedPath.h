// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

#include <string>

// What a process may trust in the folders it keeps state in: only what this
// user alone could have put there. Each check returns "" when the path may
// be trusted, else what is wrong with it, to be named in a message.
namespace trusted_path {

// lstat shows a real directory (not a symbolic link) owned by the effective
// user, without write permission for group or others; and every folder
// above it belongs to this user or to root and lets nobody else write
// (a sticky folder such as /tmp excepted), so nobody can swap it either.
std::string DirectoryProblem(const std::string& path);
// The same for a folder that must be `owner`'s rather than this user's (the
// system driver's folder, root's, seen by its clients).
std::string DirectoryProblemOf(const std::string& path, uid_t owner);

// An open file (opened with O_NOFOLLOW): a regular file owned by the
// effective user, without write permission for group or others.
std::string FileProblem(int fd);

// Opens a file inside a trusted folder without following a link at its
// name. -1 when it cannot be opened (errno set, *problem empty) or may not be
// trusted: a link at the name, or FileProblem (the reason in *problem).
// flags may include O_CREAT (the mode is then 0600).
int OpenFile(const std::string& path, int flags, std::string* problem);

}  // namespace trusted_path
