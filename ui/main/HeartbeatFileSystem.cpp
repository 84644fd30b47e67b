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

    std::uint64_t placeOnDisk() override { return m_inner->placeOnDisk(); }
    void setReadAhead(bool on) override { m_inner->setReadAhead(on); }
    void willRead(ByteCount offset, ByteCount length) override { m_inner->willRead(offset, length); }

private:
    std::unique_ptr<FileReader> m_inner;
    std::function<void()> m_heartbeat;
};

} // namespace

Result<std::vector<std::string>> HeartbeatFileSystem::listFiles(const std::string& folder,
                                                                 const std::string& pattern)
{
    m_heartbeat();
    return ForwardingFileSystem::listFiles(folder, pattern);
}

FileError HeartbeatFileSystem::checkFolder(const std::string& folder)
{
    m_heartbeat();
    return inner().checkFolder(folder);
}

Result<FileStatus> HeartbeatFileSystem::status(const std::string& path)
{
    m_heartbeat();
    return ForwardingFileSystem::status(path);
}

Result<std::unique_ptr<FileReader>> HeartbeatFileSystem::openForReading(const std::string& path)
{
    m_heartbeat();
    return ForwardingFileSystem::openForReading(path);
}

Result<std::unique_ptr<FileReader>> HeartbeatFileSystem::openForComparing(const std::string& path,
                                                                          ByteCount size)
{
    m_heartbeat();
    return ForwardingFileSystem::openForComparing(path, size);
}

Result<std::unique_ptr<FileReader>>
HeartbeatFileSystem::opened(const std::string&, Result<std::unique_ptr<FileReader>> reader)
{
    if (!reader)
        return reader;
    return std::unique_ptr<FileReader>(
        std::make_unique<HeartbeatReader>(std::move(*reader), m_heartbeat));
}

FileError HeartbeatFileSystem::removeFile(const std::string& path)
{
    m_heartbeat();
    return ForwardingFileSystem::removeFile(path);
}

FileError HeartbeatFileSystem::appendToFile(const std::string& path, std::string_view bytes)
{
    m_heartbeat();
    return ForwardingFileSystem::appendToFile(path, bytes);
}

} // namespace zelvo
