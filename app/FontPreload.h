#pragma once

#include <thread>

// Reads the font configuration (fontconfig's files and caches, some
// milliseconds) on a thread of its own while Qt connects to the window
// system: the window's first text needs it, and on the main thread it would
// come on top of everything else the first paint waits for.
class CFontPreload
{
  public:
    CFontPreload();
    ~CFontPreload() { Wait(); }
    CFontPreload(const CFontPreload&) = delete;
    CFontPreload& operator=(const CFontPreload&) = delete;

    // Before the first font is asked for, so that Qt finds it read.
    void Wait();

  private:
    std::thread m_thread;
};
