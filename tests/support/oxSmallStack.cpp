#include "oxSmallStack.h"

#include <pthread.h>

#include <cstdlib>

namespace {

void* runWork(void* work)
{
    (*static_cast<const std::function<void()>*>(work))();
    return nullptr;
}

} // namespace

void oxRunOnSmallStack(const std::function<void()>& work, std::size_t stackBytes)
{
    pthread_attr_t attributes;
    pthread_t thread;
    if (pthread_attr_init(&attributes) != 0 || pthread_attr_setstacksize(&attributes, stackBytes) != 0 ||
        pthread_create(&thread, &attributes, runWork, const_cast<std::function<void()>*>(&work)) != 0)
        std::abort();
    pthread_attr_destroy(&attributes);
    pthread_join(thread, nullptr);
}
