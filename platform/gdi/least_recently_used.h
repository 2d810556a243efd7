// Keys in the order they were last used, each with the bytes it stands for:
// what the font cache drops first, and what metafile playback models of it.
#pragma once

#include <cstddef>
#include <list>
#include <unordered_map>

namespace gdi {

template <class Key, class Hash = std::hash<Key>>
class LeastRecentlyUsed {
public:
    // Makes the key the most recent; false when it is not held.
    bool touch(const Key& key)
    {
        auto it = index_.find(key);
        if (it == index_.end())
            return false;
        order_.splice(order_.begin(), order_, it->second.position);
        return true;
    }

    // Holds a key not held yet, as the most recent.
    void add(const Key& key, size_t bytes)
    {
        order_.push_front(key);
        index_.emplace(key, Held{order_.begin(), bytes});
        bytes_ += bytes;
    }

    void remove(const Key& key)
    {
        auto it = index_.find(key);
        if (it == index_.end())
            return;
        bytes_ -= it->second.bytes;
        order_.erase(it->second.position);
        index_.erase(it);
    }

    // Offers keys to drop, least recent first, while over() holds. drop(key)
    // returns false to keep a key (one in use); it may remove other keys,
    // provided they are less recent than the one offered.
    template <class Over, class Drop>
    void trim(Over over, Drop drop)
    {
        auto it = order_.end();
        while (it != order_.begin() && over()) {
            --it;
            const Key key = *it;
            if (drop(key)) {
                // The walk goes on from the less recent neighbour, which the
                // next step passes over.
                auto lessRecent = std::next(it);
                remove(key);
                it = lessRecent;
            }
        }
    }

    size_t bytes() const { return bytes_; }
    size_t size() const { return index_.size(); }

private:
    struct Held {
        typename std::list<Key>::iterator position;
        size_t bytes;
    };
    std::list<Key> order_;
    std::unordered_map<Key, Held, Hash> index_;
    size_t bytes_ = 0;
};

}  // namespace gdi
