#include "sim/Transcript.h"

#include <chrono>
#include <cstdio>
#include <ctime>

std::string TranscriptLine(std::string_view direction, std::string_view text)
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(millis));
    std::string line = stamp;
    line += ' ';
    line += direction;
    line += ' ';
    line += text;
    line += '\n';
    return line;
}
