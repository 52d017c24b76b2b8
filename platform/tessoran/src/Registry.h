#pragma once
// Handle-keyed objects of one kind (logins, listeners, plays, downloads). Once
// closed by clean-up it takes nothing more, so an object made by a call that
// raced with clean-up is refused instead of outliving it.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace tessoran {

template <class T>
class Registry
{
public:
    using Map = std::map<int32_t, std::shared_ptr<T>>;

    bool add(int32_t handle, std::shared_ptr<T> object)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_)
            return false;
        objects_[handle] = std::move(object);
        return true;
    }

    std::shared_ptr<T> find(int32_t handle) const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = objects_.find(handle);
        return it == objects_.end() ? nullptr : it->second;
    }

    std::shared_ptr<T> take(int32_t handle)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = objects_.find(handle);
        if (it == objects_.end())
            return nullptr;
        std::shared_ptr<T> object = std::move(it->second);
        objects_.erase(it);
        return object;
    }

    // The first handle whose object satisfies the predicate, -1 for none.
    template <class Predicate>
    int32_t findHandle(Predicate predicate) const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& [handle, object] : objects_)
            if (predicate(*object))
                return handle;
        return -1;
    }

    template <class Action>
    void forEach(Action action) const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& [handle, object] : objects_)
            action(*object);
    }

    // Empties and closes the registry; the caller stops what it gets.
    Map close()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
        return std::move(objects_);
    }

private:
    mutable std::mutex mutex_;
    Map objects_;
    bool closed_ = false;
};

} // namespace tessoran
