#include "app/StartFilePrompts.h"

#include <utility>

QString CStartFilePrompts::GetOpenFileName(QWidget* parent)
{
    if (m_path.isEmpty())
        return m_wrapped->GetOpenFileName(parent);
    return std::exchange(m_path, QString());
}

QString StartFilePath(const QStringList& fileArguments)
{
    return fileArguments.join(QLatin1Char(' '));
}
