#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

// Child processes of the multi-process tests, all running store_child.
inline std::unique_ptr<QProcess> startChild(const QStringList &arguments)
{
    auto child = std::make_unique<QProcess>();
    child->setProgram(QStringLiteral(QUINDLE_STORE_CHILD));
    child->setArguments(arguments);
    child->start();
    return child;
}

inline QString childArg(const std::string &text)
{
    return QString::fromStdString(text);
}

// Waits without a time limit: a hung child is a failure the test runner's timeout reports.
inline bool finishedCleanly(QProcess &child)
{
    child.waitForFinished(-1);
    return child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
}
