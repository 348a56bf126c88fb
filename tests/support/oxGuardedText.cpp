#include "oxGuardedText.h"

#include <cstring>
#include <stdexcept>

#include <sys/mman.h>
#include <unistd.h>

oxGuardedText::oxGuardedText(const std::string& bytes) : _size(bytes.size())
{
    const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
    const std::size_t readable = (bytes.size() + page - 1) / page * page;
    _mappingSize = readable + page;
    _mapping = mmap(nullptr, _mappingSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (_mapping == MAP_FAILED)
        throw std::runtime_error("mmap failed");
    char* base = static_cast<char*>(_mapping);
    if (mprotect(base + readable, page, PROT_NONE) != 0)
    {
        munmap(_mapping, _mappingSize);
        throw std::runtime_error("mprotect failed");
    }
    char* start = base + readable - bytes.size();
    if (!bytes.empty())
        std::memcpy(start, bytes.data(), bytes.size());
    _data = start;
}

oxGuardedText::~oxGuardedText()
{
    munmap(_mapping, _mappingSize);
}
