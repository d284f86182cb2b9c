#pragma once

namespace orvane {

// What the search pane asks of the application shell when a search found a free domain.
class Gong
{
public:
    virtual ~Gong() = default;
    virtual void playGong() = 0;
};

} // namespace orvane
