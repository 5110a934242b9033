#include "app/systemfonts.h"

#if ZENLO_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace systemfonts {

#if ZENLO_HAVE_FONTCONFIG
namespace {

bool hasCacheFolder(FcConfig *config)
{
    FcStrList *dirs = FcConfigGetCacheDirs(config);
    if (!dirs)
        return false;
    const bool any = FcStrListNext(dirs) != nullptr;
    FcStrListDone(dirs);
    return any;
}

} // namespace

void load()
{
    // FcInit would load the same configuration (the configuration file and what it
    // includes) and the same fonts, and parse every file of the template folder as well.
    FcConfig *config = FcConfigCreate();
    const bool loaded = config && FcConfigParseAndLoad(config, nullptr, FcFalse) && hasCacheFolder(config)
                        && FcConfigBuildFonts(config) && FcConfigSetCurrent(config);
    if (config)
        FcConfigDestroy(config); // the current configuration holds its own reference
    if (!loaded)
        FcInit(); // no configuration file, or one without a cache folder: fontconfig's own defaults
}
#else
void load() {}
#endif

} // namespace systemfonts
