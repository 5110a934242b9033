#pragma once
// Handles, results, access rights and value types of the registry functions
// (registrystore.h, registryansi.h), with Win32's values. Plain C++.
//
// The enum names avoid the Windows macros (ERROR_SUCCESS, REG_SZ, KEY_READ, ...)
// so this header can sit beside <windows.h>; the root handles keep their names,
// so a file that includes <windows.h> as well undefines its HKEY_* macros first.
#include <cstdint>

namespace registry {

using HKEY = uint32_t;

inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr HKEY HKEY_USERS = 0x80000003u;
inline constexpr HKEY HKEY_PERFORMANCE_DATA = 0x80000004u;
inline constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005u;
inline constexpr HKEY HKEY_DYN_DATA = 0x80000006u;

// Results, with Win32's values.
enum Status : int32_t {
    Success = 0,
    NotFound = 2, // ERROR_FILE_NOT_FOUND
    AccessDenied = 5,
    InvalidHandle = 6,
    InvalidParameter = 87,
    NoMoreItems = 259,
    IoFailed = 1016, // ERROR_REGISTRY_IO_FAILED: the hive file could not be read or written
    KeyDeleted = 1018, // the handle's key was deleted (by this or another process)
};

// Access masks, with Win32's bits.
enum Access : uint32_t {
    DefaultAccess = 0, // the most the hive allows: all access, or read when it is read-only
    KeyQueryValue = 0x0001,
    KeySetValue = 0x0002,
    KeyCreateSubKey = 0x0004,
    KeyEnumerateSubKeys = 0x0008,
    KeyNotify = 0x0010,
    KeyCreateLink = 0x0020,
    KeyRead = 0x20019,
    KeyWrite = 0x20006,
    KeyAllAccess = 0xF003F,
};

enum ValueType : uint32_t {
    RegNone = 0,
    RegSz = 1,
    RegExpandSz = 2,
    RegBinary = 3,
    RegDword = 4,
    RegMultiSz = 7,
};

inline constexpr int MaxKeyNameLength = 255; // one component of a key path
inline constexpr int MaxValueNameLength = 16383;
inline constexpr int MaxValueDataSize = 1024 * 1024;

} // namespace registry
