#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Cuts the encoder's position out of its output, one read at a time. The encoder's
// progress lines read "Pos: 12.3s ..."; the first twenty reads of a run carry its
// start-up talk and are kept but never parsed.
class ProgressReader {
public:
    static constexpr int UnparsedReads = 20;

    // The position in seconds that this read gives, or nothing: among the first twenty
    // reads, or when the number text is no number. A chunk without "Pos:" reads the
    // number text of the last one again.
    std::optional<double> Feed(const QByteArray& chunk);

    // The number text last cut out of a "Pos:" line.
    const QString& ProgressText() const { return m_progressText; }

private:
    int m_reads = 0;
    QString m_progressText;
};
