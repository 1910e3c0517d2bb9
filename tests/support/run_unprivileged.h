// Runs a piece of test code in a forked child that may not write files the
// test prepared read-only. As root, chmod stops nothing, so the child gives
// up root for the unprivileged user "nobody" before it runs the code.
#pragma once

#include <functional>
#include <string>

namespace lumenmeta::test {

// Runs `work` in a forked child and returns the text it returned. The child
// reaches only what "nobody" may reach: files and folders must be readable
// (and folders searchable) by others. A child that fails to drop its
// privileges, throws or dies gives a text beginning with "child failed".
std::string RunUnprivileged(const std::function<std::string()>& work);

// Lets every user enter and read `path` (a folder made by TempDir is 0700).
void OpenToEveryone(const std::string& path);

}  // namespace lumenmeta::test
