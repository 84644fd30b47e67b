#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace zelvo {

// The full paths of a listing's files, row for row. As separate strings a
// million paths cost some 80 bytes each; here the paths of the listed folder
// share its path, and each costs its name and one word.
class ListedPaths {
public:
    ListedPaths() = default;
    ListedPaths(std::initializer_list<std::string_view> paths);

    // Paths that start with `prefix` (a folder and its separator) keep only
    // what follows it. Set before the first path.
    void shareFolder(std::string prefix);
    void reserve(std::size_t rows, std::size_t nameBytes);
    void push_back(std::string_view path);

    std::string operator[](std::size_t row) const;
    std::string front() const { return (*this)[0]; }
    // Whether row `row` names `path`, without building the path.
    bool is(std::size_t row, std::string_view path) const;
    std::size_t size() const { return m_rows.size(); }
    bool empty() const { return m_rows.empty(); }

    void swapRows(std::size_t a, std::size_t b) { std::swap(m_rows[a], m_rows[b]); }
    // Row `to` names what row `from` named; for keeping some rows in order.
    void moveRow(std::size_t from, std::size_t to) { m_rows[to] = m_rows[from]; }
    // Keeps the first `rows` rows.
    void shrink(std::size_t rows);
    void clear();

    std::vector<std::string> toVector() const;

private:
    // A row: where its text starts, its length, and whether the shared
    // folder comes before it.
    static constexpr unsigned kLengthBits = 23;
    static constexpr std::uint64_t kLengthMask = (std::uint64_t{1} << kLengthBits) - 1;
    std::string_view textOf(std::uint64_t row) const;
    static bool inFolder(std::uint64_t row) { return row & 1; }

    std::string m_folder;
    std::vector<char> m_text;
    std::vector<std::uint64_t> m_rows;
};

} // namespace zelvo
