#pragma once

#include "GameNews.h"

#include <string>
#include <vector>

// The news that waits to be said. The step timer beats four times a second,
// faster than speech, so a front-end says the news at a slower pace and it
// piles up in between: a new game drops whatever the old one still had to
// say, and of several cannon moves only the latest column is kept.
class NewsQueue {
public:
    // The least time between two announcements: about as long as a short
    // one takes to say.
    static constexpr int kMinGapMs = 700;

    void post(const std::vector<NewsItem>& news);

    bool empty() const { return m_pending.empty(); }

    // Everything waiting, as one sentence in the order it came ("wave on row
    // 3, shot missed"), and an empty queue. Empty when nothing waits.
    std::string take();

private:
    std::vector<NewsItem> m_pending;
};
