// The query channel's private folder as the Linux side sees it: where it
// is for a prefix, and whether it is safe to use.
#pragma once

#include <string>

// <prefix>/.velkoro-find
std::string ChannelFolder(const std::string& prefix);

// Empty when FOLDER is a real directory (not a link), owned by this user,
// that no one else may enter; otherwise why not.
std::string ChannelFolderProblem(const std::string& folder);
