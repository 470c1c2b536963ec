#include "batch/BatchJournal.h"

#include <cerrno>
#include <cstring>
#include <fstream>

CBatchJournal::~CBatchJournal()
{
    Close();
}

bool CBatchJournal::Open(const std::string& path, bool resume, std::string* problem)
{
    Close();
    m_path = path;
    m_done.clear();
    if (resume) {
        std::ifstream in(path);
        std::string line;
        while (std::getline(in, line)) {
            RowResult result;
            if (!RowResultFromJsonLine(line, &result))
                continue;
            if (result.outcome == RowOutcome::Succeeded)
                m_done[result.row] = result;
            else
                m_done.erase(result.row);
        }
    }
    m_file = std::fopen(path.c_str(), resume ? "a" : "w");
    if (m_file == nullptr) {
        *problem = "The journal " + path + " could not be opened: " + std::strerror(errno) + ".";
        return false;
    }
    return true;
}

bool CBatchJournal::Append(const RowResult& result, std::string* problem)
{
    if (m_file == nullptr) {
        *problem = "The journal is not open.";
        return false;
    }
    const std::string line = RowResultToJsonLine(result) + "\n";
    if (std::fwrite(line.data(), 1, line.size(), m_file) != line.size() || std::fflush(m_file) != 0) {
        *problem = "The journal " + m_path + " could not be written: " + std::strerror(errno) + ".";
        return false;
    }
    if (result.outcome == RowOutcome::Succeeded)
        m_done[result.row] = result;
    else
        m_done.erase(result.row);
    return true;
}

void CBatchJournal::Close()
{
    if (m_file != nullptr)
        std::fclose(m_file);
    m_file = nullptr;
}
