// How the tessec classes cross the library boundary.
//
// Every class of the library is exported whole: constructors, destructors, assignment
// operators, virtual tables, every member function and the static constants and tables. No
// member function is defined in these headers, so a program built against them never inlines
// library code: everything it calls lives in tessec.dll (libtessec.so) and can be replaced by a
// newer build of the library.
//
//   TESSEC_BUILDING_DLL  defined while the library itself is compiled as a shared library
//   TESSEC_STATIC        defined by programs that link the library's code statically
//   (neither)            an outside program that uses the shared library
//
// Virtual slot order. Outside programs call the family interfaces (CBaseN, CHash, CCipher,
// CRand) through their virtual tables, so the order of the virtual functions is part of the
// binary interface and is the order in which the headers list them. GCC and Clang (including
// mingw-w64) give overloads of one name their slots in declaration order. MSVC gathers the
// overloads of one name into consecutive slots at the place of the first one, but in the
// reverse of their declaration order. The headers therefore declare each pair of overloads
// in reverse when _MSC_VER is defined, which gives both compilers the same slot sequence.
// Overrides in the concrete classes reuse the slots of their family base, whatever their order.
// Note that the virtual destructor takes two slots in the Itanium ABI used by GCC and Clang
// (complete and deleting destructor) and one in MSVC's; the slots after it keep their order.
#pragma once

#if defined(_WIN32)
#if defined(TESSEC_STATIC)
#define TESSEC_API
#elif defined(TESSEC_BUILDING_DLL)
#define TESSEC_API __declspec(dllexport)
#else
#define TESSEC_API __declspec(dllimport)
#endif
#elif defined(__GNUC__) || defined(__clang__)
#define TESSEC_API __attribute__((visibility("default")))
#else
#define TESSEC_API
#endif
