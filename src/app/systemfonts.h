#pragma once
// The system's font configuration, read before the first window needs a font.

namespace systemfonts {

// Makes the system's font configuration and font list fontconfig's current one, as
// fontconfig's own start would, but without parsing the folder of configuration
// templates that only tools listing them use. Falls back to fontconfig's own start when
// the configuration cannot be loaded that way. Safe to call before the application object
// exists and from any one thread; a no-op where the fonts do not come from fontconfig.
void load();

} // namespace systemfonts
