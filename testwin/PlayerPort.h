#pragma once

#include <string>

// What the test window asks of the companion video player. The application
// serves it over the player link; window tests hand in a fake.
class CPlayerPort
{
  public:
    virtual ~CPlayerPort() = default;

    // Tells the player the window's caption, under which the player finds it.
    virtual void WriteCaption(const std::string& caption) = 0;
    virtual void Hide() = 0;
    // Restores the player and brings it to the front.
    virtual void Show() = 0;
    // Brings the player back to play the topic.
    virtual void PlayTopic(const std::string& topic) = 0;
    // The window closed: the player comes back and hears of it.
    virtual void SayClosed() = 0;
};
