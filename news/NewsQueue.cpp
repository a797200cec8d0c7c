#include "NewsQueue.h"

#include <algorithm>

void NewsQueue::post(const std::vector<NewsItem>& news) {
    for (const NewsItem& item : news) {
        if (item.kind == NewsItem::Kind::NewGame) {
            // Whatever the old game still had to say no longer matters.
            m_pending.clear();
        } else if (item.kind == NewsItem::Kind::Cannon) {
            std::erase_if(m_pending,
                          [](const NewsItem& old) { return old.kind == NewsItem::Kind::Cannon; });
        }
        m_pending.push_back(item);
    }
}

std::string NewsQueue::take() {
    std::string text;
    for (const NewsItem& item : m_pending) {
        if (!text.empty()) {
            text += ", ";
        }
        text += item.text;
    }
    m_pending.clear();
    return text;
}
