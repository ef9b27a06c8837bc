#include "app/FontPreload.h"

#include <fontconfig/fontconfig.h>

CFontPreload::CFontPreload() : m_thread([] { FcInit(); }) {}

void CFontPreload::Wait()
{
    if (m_thread.joinable())
        m_thread.join();
}
