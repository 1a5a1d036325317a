#pragma once

#include "formats/DocumentConverter.h"

#include <chrono>
#include <functional>

namespace zk {

// Converts a document with LibreOffice run headless as a child process:
// fileopen, filesaveas as OpenDocument text, fileclose, all in one run of soffice; the
// result is read by our own reader, which keeps footnotes and endnotes after the paragraph
// that cites them and reads tracked changes as accepted.
// The document is copied into a private temporary folder with a throwaway user
// profile, so a running LibreOffice of the user neither blocks nor sees it and
// no lock file appears beside the user's document; LibreOffice keeps its own
// temporary files there too, and the folder goes when the conversion ends. A
// document larger than one document's budget is refused before the copy. A run that outlasts the
// time limit, or that the pump or the progress stops, is killed with everything it started, and the
// conversion fails.
class LibreOfficeConverter final : public DocumentConverter {
public:
    using Pump = std::function<bool()>;

    explicit LibreOfficeConverter(QString program = QStringLiteral("soffice"),
                                  std::chrono::milliseconds timeLimit = std::chrono::seconds(60),
                                  Pump pump = {});

    // Called about every 50 ms while the converter runs, so the window can repaint;
    // false cancels the conversion.
    void setPump(Pump pump) { m_pump = std::move(pump); }

protected:
    ConversionResult convertFile(const QString &path, const ConversionProgress &progress) override;

private:
    QString m_program;
    std::chrono::milliseconds m_timeLimit;
    Pump m_pump;
};

} // namespace zk
