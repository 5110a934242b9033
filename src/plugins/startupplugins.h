#pragma once
// The configured start-up plug-ins: the <plugin> entries of the configuration's
// <system><plugins> whose active attribute is "加载" and whose style is the
// stage (100 right after the configuration is read, 101 after the login) are
// created, given their environment, initialised and run, in file order. A
// registered class is created by its ProgID, an unregistered one from its
// library file. The first error ends the stage; the start-up goes on.
#include <QString>

#include <cstdint>

class Session;

namespace plugins {

void RunConfiguredPlugins(Session &session, int32_t stage);

} // namespace plugins
