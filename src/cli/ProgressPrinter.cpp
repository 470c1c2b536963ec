#include "cli/ProgressPrinter.h"

#include <ostream>

#include "cli/TerminalWidth.h"
#include "model/JobMessages.h"
#include "model/StringTable.h"

#ifndef PRAVEL_VERSION
#define PRAVEL_VERSION ""
#endif

namespace {

// The dialog's own caption, which every progress caption starts with.
const std::string BaseCaption = std::string("Pravel ") + PRAVEL_VERSION;
constexpr int BarWidth = 20;

} // namespace

CProgressPrinter::CProgressPrinter(std::ostream& stream, bool isTerminal, int parametersSelected)
    : m_stream(stream), m_isTerminal(isTerminal), m_selected(parametersSelected),
      m_columns(isTerminal ? TerminalColumns() : 0)
{
}

CProgressPrinter::~CProgressPrinter()
{
    Finish();
}

std::string CProgressPrinter::Caption(uint32_t stage, long count)
{
    switch (stage) {
    case ProgressDialing:
        return BaseCaption + LoadString(IDS_DIALING) + " (" + std::to_string(count) + ")";
    case ProgressConnected:
        return BaseCaption + LoadString(IDS_CONNECTED);
    case ProgressTransfer:
        return BaseCaption + LoadString(IDS_TRANSFER);
    case ProgressBadCode:
        return BaseCaption + LoadString(IDS_BAD_CODE);
    default:
        return BaseCaption;
    }
}

void CProgressPrinter::ShowStage(uint32_t stage, long count)
{
    std::string caption = Caption(stage, count);
    bool newStage = stage != m_stage;
    m_stage = stage;
    if (stage == ProgressEnded || stage == ProgressLogoff) {
        // The caption goes back to the dialog's own: nothing new to tell.
        m_caption = caption;
        return;
    }
    if (caption == m_caption)
        return;
    m_caption = caption;
    if (m_isTerminal) {
        Draw();
    } else if (newStage) {
        m_stream << m_caption << '\n' << std::flush;
    }
}

void CProgressPrinter::ShowTransferred(int transferred)
{
    if (transferred == m_transferred)
        return;
    m_transferred = transferred;
    if (m_isTerminal && m_stage == ProgressTransfer)
        Draw();
}

void CProgressPrinter::Draw()
{
    std::string line = m_caption;
    if (m_stage == ProgressTransfer && m_selected > 0) {
        int filled = m_transferred >= m_selected ? BarWidth : m_transferred * BarWidth / m_selected;
        line += " [" + std::string(static_cast<size_t>(filled), '#') +
                std::string(static_cast<size_t>(BarWidth - filled), '.') + "] " + std::to_string(m_transferred) +
                "/" + std::to_string(m_selected);
    }
    m_stream << '\r' << FitToWidth(line, m_columns) << "\033[K" << std::flush;
    m_lineOpen = true;
}

void CProgressPrinter::Finish()
{
    if (m_lineOpen) {
        m_stream << '\n' << std::flush;
        m_lineOpen = false;
    }
}
