// Catalogues of loaded resources.
//
// A catalogue maps a key (a bare file name such as "skate.qbr", or a target
// side such as 512) to an object. What a catalogue loads or adopts it owns and
// frees with itself; store() files an object someone else owns. Asking
// for a key that is not there ends the demo with a message naming the key.
// File catalogues fill themselves by scanning a folder with a wildcard that
// matches case-insensitively, in name order, so every run loads the same way.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/Error.h"
#include "frontend/StopRequest.h"

namespace Vantrel {

std::string describeKey(std::string_view key);
std::string describeKey(int key);

template <typename T, typename Key>
class ResourceProxy {
public:
    // Lookups take string_view for file names so that the per-frame path allocates nothing.
    template <typename K>
    T* operator[](const K& key) const
    {
        auto found = objects.find(key);
        if (found == objects.end() || found->second == nullptr)
            Frontend::fatalError("ResourceProxy::operator [] : ResourceProxy not loaded: " + describeKey(key));
        return found->second;
    }

    template <typename K>
    bool contains(const K& key) const
    {
        return objects.find(key) != objects.end();
    }

    void store(const Key& key, T* object) { objects[key] = object; }
    T* adopt(const Key& key, std::unique_ptr<T> object)
    {
        T* kept = keep(std::move(object));
        store(key, kept);
        return kept;
    }
    size_t size() const { return objects.size(); }
    const std::map<Key, T*, std::less<>>& entries() const { return objects; }

protected:
    T* keep(std::unique_ptr<T> object)
    {
        owned.push_back(std::move(object));
        return owned.back().get();
    }

    std::map<Key, T*, std::less<>> objects;
    std::vector<std::unique_ptr<T>> owned;
};

// Names of the entries of `directory` matching `pattern` (Windows-style
// wildcards, case-insensitive), sorted by name. A missing folder lists nothing;
// one that cannot be listed (no read permission, not a folder) throws
// Frontend::Error naming it and the reason.
std::vector<std::string> listMatchingFiles(const std::string& directory, const std::string& pattern);

template <typename T>
class FileResourceProxy : public ResourceProxy<T, std::string> {
public:
    virtual ~FileResourceProxy() = default;
    // Loads one file into an object this catalogue owns.
    virtual T* loadResource(const std::string& path) = 0;

    // Loads every matching file of `directory` (which ends with "/") under its bare name.
    void loadFiles(const std::string& directory, const std::string& pattern)
    {
        for (const std::string& name : listMatchingFiles(directory, pattern)) {
            Frontend::throwIfStopRequested();
            this->store(name, loadResource(directory + name));
        }
    }
};

} // namespace Vantrel
