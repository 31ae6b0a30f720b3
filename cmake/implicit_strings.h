// Included before every source of the installer (-include). The C++ library
// ships std::string and std::wstring compiled once, with exception handling
// and every member; letting each object instantiate only the members it uses,
// without exceptions, keeps the installer small. A negative value turns off
// just the library's extern declarations of the two string classes, as the
// library's own assertion mode does.
#pragma once
#include <bits/c++config.h>
#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE -1
