#include "FontconfigWarmUp.h"

#include <fontconfig/fontconfig.h>

#include <system_error>

FontconfigWarmUp::FontconfigWarmUp()
{
    try {
        loader = std::thread([] { FcInit(); });
    } catch (const std::system_error&) {
        // No thread to spare: Qt loads the configuration itself when it first needs it.
    }
}

FontconfigWarmUp::~FontconfigWarmUp()
{
    Finish();
}

void FontconfigWarmUp::Finish()
{
    if (loader.joinable())
        loader.join();
}
