#include "model/ComPortName.h"

#include <mutex>

namespace {
std::mutex g_lock;
std::string g_name; // empty when the process starts
} // namespace

std::string GetComPortName()
{
    std::lock_guard<std::mutex> guard(g_lock);
    return g_name;
}

void SetComPortName(const std::string& name)
{
    std::lock_guard<std::mutex> guard(g_lock);
    g_name = name;
}
