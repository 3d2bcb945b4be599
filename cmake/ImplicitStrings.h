// Forced ahead of every C++ source of the Windows release build (cmake/SizeOptimized.cmake).
//
// The C++ library declares its std::string instantiation extern: every program then
// links the library's one object file that holds all of std::string's members, about
// 33 KB with their unwind tables, of which the installer calls a third. With the
// declaration switched off, std::string's members are instantiated where they are used,
// like any other template's, so that only the members called reach the program and
// link-time optimisation can inline them. The library's value -1 does exactly this and
// nothing else (its debug-mode checks stay off unless _GLIBCXX_ASSERTIONS is defined).
// Behaviour does not change: the members come from the same headers either way.
#pragma once
#include <bits/c++config.h>
#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE -1
