#include "ListedPaths.h"

#include <stdexcept>

namespace zelvo {

ListedPaths::ListedPaths(std::initializer_list<std::string_view> paths)
{
    for (std::string_view path : paths)
        push_back(path);
}

void ListedPaths::shareFolder(std::string prefix)
{
    if (!m_rows.empty())
        throw std::logic_error("ListedPaths: the shared folder is set before the first path");
    m_folder = std::move(prefix);
}

void ListedPaths::reserve(std::size_t rows, std::size_t nameBytes)
{
    m_rows.reserve(rows);
    m_text.reserve(nameBytes);
}

void ListedPaths::push_back(std::string_view path)
{
    const bool shared = !m_folder.empty() && path.size() > m_folder.size() && path.starts_with(m_folder);
    if (shared)
        path.remove_prefix(m_folder.size());
    if (path.size() > kLengthMask)
        throw std::length_error("ListedPaths: path too long");
    const std::uint64_t start = m_text.size();
    m_text.insert(m_text.end(), path.begin(), path.end());
    m_rows.push_back(start << (kLengthBits + 1) | std::uint64_t(path.size()) << 1 | std::uint64_t(shared));
}

std::string_view ListedPaths::textOf(std::uint64_t row) const
{
    return {m_text.data() + (row >> (kLengthBits + 1)), std::size_t((row >> 1) & kLengthMask)};
}

std::string ListedPaths::operator[](std::size_t row) const
{
    const std::uint64_t r = m_rows[row];
    const std::string_view text = textOf(r);
    if (!inFolder(r))
        return std::string(text);
    std::string path;
    path.reserve(m_folder.size() + text.size());
    path.append(m_folder).append(text);
    return path;
}

bool ListedPaths::is(std::size_t row, std::string_view path) const
{
    const std::uint64_t r = m_rows[row];
    if (inFolder(r)) {
        if (!path.starts_with(m_folder))
            return false;
        path.remove_prefix(m_folder.size());
    }
    return path == textOf(r);
}

void ListedPaths::shrink(std::size_t rows)
{
    if (rows < m_rows.size())
        m_rows.resize(rows);
}

void ListedPaths::clear()
{
    m_folder.clear();
    // A large folder's room goes back when a small one is listed after it.
    m_text = {};
    m_rows = {};
}

std::vector<std::string> ListedPaths::toVector() const
{
    std::vector<std::string> paths;
    paths.reserve(size());
    for (std::size_t row = 0; row < size(); ++row)
        paths.push_back((*this)[row]);
    return paths;
}

} // namespace zelvo
