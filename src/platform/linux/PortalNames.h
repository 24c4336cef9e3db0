#pragma once

// Where the desktop portal lives on the session bus, and the names of its parts.
namespace monctl::portal {

inline constexpr const char* service = "org.freedesktop.portal.Desktop";
inline constexpr const char* path = "/org/freedesktop/portal/desktop";
inline constexpr const char* globalShortcutsInterface = "org.freedesktop.portal.GlobalShortcuts";
inline constexpr const char* requestInterface = "org.freedesktop.portal.Request";
inline constexpr const char* sessionInterface = "org.freedesktop.portal.Session";
inline constexpr const char* registryInterface = "org.freedesktop.host.portal.Registry";
inline constexpr const char* propertiesInterface = "org.freedesktop.DBus.Properties";

} // namespace monctl::portal
