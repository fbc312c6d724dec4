// folders.h - the folder of the store, made when missing.
#ifndef CORVANE_FOLDERS_H
#define CORVANE_FOLDERS_H

#include <string>

namespace corvane
{

// The folder that holds the file at path: "." for a bare name, "/" for a
// file at the root.
std::string folder_of(const std::string &path);

// Makes the folder dir and every missing folder above it, each with mode
// 0755 whatever the umask; folders that exist are left as they are.  false,
// with errno set, when one cannot be made.
bool make_folders(const std::string &dir);

} // namespace corvane

#endif // CORVANE_FOLDERS_H
