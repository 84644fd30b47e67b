#pragma once

#include "platform/FileSystem.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <string>
#include <vector>

namespace zelvo {

// Files held in memory, for tests where the disk is not the point:
// thousands of folders a second, exact control over identities (hard links)
// and modification times. Folders are implicit in the paths; "/" is the root.
// Names are listed sorted ignoring letter case, filtered by the pattern with
// "*" and "?" (letter case ignored; "*.*" takes every name).
class MemoryFileSystem : public FileSystem {
public:
    void addFile(const std::string& path, std::string contents, Timestamp modified = {1'000'000})
    {
        const std::uint64_t inode = ++m_lastInode;
        m_files[inode] = {std::make_shared<std::string>(std::move(contents)), modified};
        m_paths[path] = inode;
    }
    // Another name for the file at `target`: same identity, same bytes.
    void addLink(const std::string& path, const std::string& target) { m_paths[path] = m_paths.at(target); }
    void erase(const std::string& path) { m_paths.erase(path); }
    // Status and opens only look things up, so they may run on two threads
    // at once while nothing is added or removed; off unless a test asks.
    void setConcurrentReads(bool allowed) { m_concurrentReads = allowed; }
    bool allowsConcurrentReads() const override { return m_concurrentReads; }
    // Answers as a spinning disk would: read best one request at a time, in
    // the order of the places given to its files (the inode number else).
    void setReadsInOrder(bool inOrder) { m_readsInOrder = inOrder; }
    bool readsBestInOrder(const std::string&) override { return m_readsInOrder; }
    void setPlace(const std::string& path, std::uint64_t place) { m_files.at(m_paths.at(path)).place = place; }

    // Every status and read, with the thread that made it, once a test asks.
    struct Call {
        bool isRead = false;
        std::string path;
        ByteCount offset = 0;
        std::thread::id thread;
        // A read asked for with the system's read-ahead on.
        bool readAhead = true;
    };
    void recordCalls() { m_recording = true; }
    std::vector<Call> calls() const
    {
        std::lock_guard lock(m_callsMutex);
        return m_calls;
    }

    Result<std::vector<std::string>> listFiles(const std::string& folder,
                                               const std::string& pattern) override
    {
        const std::string prefix = folder == "/" ? "/" : folder + "/";
        std::vector<std::string> names;
        for (const auto& [path, inode] : m_paths) {
            if (path.compare(0, prefix.size(), prefix) != 0)
                continue;
            const std::string name = path.substr(prefix.size());
            const std::string wanted = pattern == "*.*" ? "*" : pattern;
            if (name.find('/') == std::string::npos && matches(wanted.c_str(), name.c_str()))
                names.push_back(name);
        }
        std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
            return lower(a) < lower(b);
        });
        return names;
    }

    Result<FileStatus> status(const std::string& path) override
    {
        record(false, path, 0);
        auto it = m_paths.find(path);
        if (it == m_paths.end())
            return FileError::NotFound;
        const Entry& entry = m_files.at(it->second);
        return FileStatus{entry.contents->size(), entry.modified, {7, it->second}};
    }

    Result<std::unique_ptr<FileReader>> openForReading(const std::string& path) override
    {
        auto it = m_paths.find(path);
        if (it == m_paths.end())
            return FileError::NotFound;
        const Entry& entry = m_files.at(it->second);
        return std::unique_ptr<FileReader>(
            new Reader(*this, path, entry.contents, entry.place ? entry.place : it->second));
    }

    FileError removeFile(const std::string& path) override
    {
        return m_paths.erase(path) ? FileError::None : FileError::NotFound;
    }

    FileError appendToFile(const std::string& path, std::string_view bytes) override
    {
        if (!m_paths.count(path))
            addFile(path, {});
        *m_files.at(m_paths.at(path)).contents += bytes;
        return FileError::None;
    }

    bool hasParent(const std::string& folder) override { return folder != "/"; }

private:
    struct Entry {
        std::shared_ptr<std::string> contents;
        Timestamp modified;
        std::uint64_t place = 0;
    };

    void record(bool isRead, const std::string& path, ByteCount offset, bool readAhead = true)
    {
        if (!m_recording)
            return;
        std::lock_guard lock(m_callsMutex);
        m_calls.push_back({isRead, path, offset, std::this_thread::get_id(), readAhead});
    }

    class Reader : public FileReader {
    public:
        Reader(MemoryFileSystem& owner, std::string path, std::shared_ptr<std::string> contents,
               std::uint64_t place)
            : m_owner(owner), m_path(std::move(path)), m_contents(std::move(contents)), m_place(place)
        {
        }
        std::uint64_t placeOnDisk() override { return m_place; }
        void setReadAhead(bool on) override { m_readAhead = on; }
        Result<std::size_t> read(std::span<std::byte> into) override
        {
            const Result<std::size_t> got = readAt(m_position, into);
            m_position += *got;
            return got;
        }
        Result<std::size_t> readAt(ByteCount offset, std::span<std::byte> into) override
        {
            m_owner.record(true, m_path, offset, m_readAhead);
            if (offset >= m_contents->size())
                return std::size_t{0};
            const std::size_t n = std::min<std::size_t>(into.size(), m_contents->size() - offset);
            std::memcpy(into.data(), m_contents->data() + offset, n);
            return n;
        }

    private:
        MemoryFileSystem& m_owner;
        std::string m_path;
        std::shared_ptr<std::string> m_contents;
        std::uint64_t m_place;
        ByteCount m_position = 0;
        bool m_readAhead = true;
    };

    static std::string lower(std::string text)
    {
        for (char& c : text)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    }
    static bool matches(const char* pattern, const char* name)
    {
        if (*pattern == '\0')
            return *name == '\0';
        if (*pattern == '*')
            return matches(pattern + 1, name) || (*name && matches(pattern, name + 1));
        if (*name == '\0')
            return false;
        if (*pattern != '?' && std::tolower(static_cast<unsigned char>(*pattern)) !=
                                   std::tolower(static_cast<unsigned char>(*name)))
            return false;
        return matches(pattern + 1, name + 1);
    }

    std::map<std::string, std::uint64_t> m_paths;
    std::map<std::uint64_t, Entry> m_files;
    std::uint64_t m_lastInode = 0;
    bool m_concurrentReads = false;
    bool m_readsInOrder = false;
    bool m_recording = false;
    mutable std::mutex m_callsMutex;
    std::vector<Call> m_calls;
};

} // namespace zelvo
