#pragma once

#include "history/CodePoints.h"

#include <QCoreApplication>
#include <QString>

namespace orvane {

// Why a brainstorm gave no suggestions. The description is what the user sees.
class ClaudeCLIError
{
    Q_DECLARE_TR_FUNCTIONS(ClaudeCLIError)

public:
    enum class Kind { launchFailed, nonZeroExit, parseFailed, binaryNotFound, timedOut, emptyOutput };
    static constexpr qsizetype parseFailedLimit = 500;

    static ClaudeCLIError launchFailed(QString message) { return {Kind::launchFailed, std::move(message), 0}; }
    static ClaudeCLIError nonZeroExit(int code, QString standardError) { return {Kind::nonZeroExit, std::move(standardError), code}; }
    // Only the start of the output goes into the message: it may be a megabyte of anything.
    static ClaudeCLIError parseFailed(const QString &output)
    {
        const QString head = leftCodePoints(output, parseFailedLimit);
        return {Kind::parseFailed, head.size() < output.size() ? head + QChar(0x2026) : head, 0};
    }
    static ClaudeCLIError binaryNotFound() { return {Kind::binaryNotFound, {}, 0}; }
    static ClaudeCLIError timedOut() { return {Kind::timedOut, {}, 0}; }
    static ClaudeCLIError emptyOutput() { return {Kind::emptyOutput, {}, 0}; }

    Kind kind() const { return m_kind; }
    int code() const { return m_code; }
    const QString &text() const { return m_text; }

    QString description() const
    {
        switch (m_kind) {
        case Kind::launchFailed: return tr("Could not launch claude CLI: %1").arg(m_text);
        case Kind::nonZeroExit: return tr("claude exited with code %1. ").arg(m_code) + m_text;
        case Kind::parseFailed: return tr("Could not parse claude output. Got:\n%1").arg(m_text);
        case Kind::binaryNotFound:
            return tr("The “claude” command-line tool was not found. Set its path in Settings, or install Claude Code.");
        case Kind::timedOut: return tr("claude CLI timed out.");
        case Kind::emptyOutput: return tr("claude returned no output.");
        }
        return {};
    }

    friend bool operator==(const ClaudeCLIError &, const ClaudeCLIError &) = default;

private:
    ClaudeCLIError(Kind kind, QString text, int code) : m_kind(kind), m_text(std::move(text)), m_code(code) {}

    Kind m_kind;
    QString m_text;
    int m_code;
};

} // namespace orvane
