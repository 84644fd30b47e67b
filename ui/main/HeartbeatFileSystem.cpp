#include "HeartbeatFileSystem.h"

namespace zelvo {

namespace {

class HeartbeatReader final : public FileReader {
public:
    HeartbeatReader(std::unique_ptr<FileReader> inner, std::function<void()> heartbeat)
        : m_inner(std::move(inner)), m_heartbeat(std::move(heartbeat))
    {
    }

    Result<std::size_t> read(std::span<std::byte> into) override
    {
        m_heartbeat();
        return m_inner->read(into);
    }

    Result<std::size_t> readAt(ByteCount offset, std::span<std::byte> into) override
    {
        m_heartbeat();
        return m_inner->readAt(offset, into);
    }

private:
    std::unique_ptr<FileReader> m_inner;
    std::function<void()> m_heartbeat;
};

} // namespace

Result<std::vector<std::string>> HeartbeatFileSystem::listFiles(const std::string& folder,
                                                                 const std::string& pattern)
{
    m_heartbeat();
    return m_inner.listFiles(folder, pattern);
}

Result<FileStatus> HeartbeatFileSystem::status(const std::string& path)
{
    m_heartbeat();
    return m_inner.status(path);
}

Result<std::unique_ptr<FileReader>> HeartbeatFileSystem::openForReading(const std::string& path)
{
    m_heartbeat();
    return withHeartbeat(m_inner.openForReading(path));
}

Result<std::unique_ptr<FileReader>> HeartbeatFileSystem::openForComparing(const std::string& path,
                                                                          ByteCount size)
{
    m_heartbeat();
    return withHeartbeat(m_inner.openForComparing(path, size));
}

Result<std::unique_ptr<FileReader>> HeartbeatFileSystem::withHeartbeat(Result<std::unique_ptr<FileReader>> opened)
{
    if (!opened)
        return opened.error();
    return std::unique_ptr<FileReader>(std::make_unique<HeartbeatReader>(std::move(*opened), m_heartbeat));
}

FileError HeartbeatFileSystem::removeFile(const std::string& path)
{
    m_heartbeat();
    return m_inner.removeFile(path);
}

FileError HeartbeatFileSystem::appendToFile(const std::string& path, std::string_view bytes)
{
    m_heartbeat();
    return m_inner.appendToFile(path, bytes);
}

bool HeartbeatFileSystem::hasParent(const std::string& folder)
{
    return m_inner.hasParent(folder);
}

} // namespace zelvo
