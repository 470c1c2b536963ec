// Shows a job's progress on standard error as the dialog's caption shows it: "Pravel 1.09",
// then " - Dialing (60)", " - Connected/Logging in", " - Transfer", or "Invalid password entered."
// joined to it. On a terminal the one line is redrawn: the dialling count-down second by second
// and a bar of the parameters transferred. Elsewhere (a log, a pipe) each new caption is one line
// and the count-down shows only its start. Used on the command's thread only.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

class CProgressPrinter {
public:
    CProgressPrinter(std::ostream& stream, bool isTerminal, int parametersSelected);
    ~CProgressPrinter();
    CProgressPrinter(const CProgressPrinter&) = delete;
    CProgressPrinter& operator=(const CProgressPrinter&) = delete;

    // A WM_SHOW_PROGRESS stage and count.
    void ShowStage(uint32_t stage, long count);
    // One more selected parameter transferred.
    void ShowTransferred(int transferred);
    // Ends the line on a terminal (the job is over).
    void Finish();
    // The terminal's width, which a redrawn line is cut to (0: unknown, not cut). The constructor
    // asks the terminal on standard error.
    void SetColumns(int columns) { m_columns = columns; }

    // The caption the dialog would show for a stage and count.
    static std::string Caption(uint32_t stage, long count);

private:
    void Draw();

    std::ostream& m_stream;
    bool m_isTerminal;
    int m_selected;
    int m_transferred = 0;
    uint32_t m_stage = 0;
    std::string m_caption;
    bool m_lineOpen = false;
    int m_columns = 0;
};
