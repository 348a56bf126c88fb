#pragma once
/// \file oxGuardedText.h
/// Bytes placed directly before a page that cannot be read, so that a reader
/// that reads one byte past them crashes for certain (which a heap buffer, or
/// a library built without sanitizers, would not show).

#include <cstddef>
#include <string>

class oxGuardedText
{
public:
    /// Copies \p bytes so that their last byte is the last readable one.
    explicit oxGuardedText(const std::string& bytes);
    ~oxGuardedText();
    oxGuardedText(const oxGuardedText&) = delete;
    oxGuardedText& operator=(const oxGuardedText&) = delete;

    const char* data() const { return _data; }
    std::size_t size() const { return _size; }

private:
    void* _mapping = nullptr;
    std::size_t _mappingSize = 0;
    const char* _data = nullptr;
    std::size_t _size = 0;
};
