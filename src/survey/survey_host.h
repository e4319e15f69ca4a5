#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace velmora {

// What the survey upload takes from the main window: its status word and two labels, its pending events, the
// server data folder and the size check of a local file.
class SurveyHost {
public:
    virtual ~SurveyHost() = default;

    // 4 "ENVIANDO PESQUISA", 1 "MONITORANDO", 5 "DORMINDO".
    virtual void setStatus(unsigned code) = 0;
    virtual void setProcessingText(const std::string& text) = 0;   // processingLabel
    virtual void setObservationText(const std::string& text) = 0;  // observationLabel
    virtual void processPendingEvents() = 0;

    // With a trailing separator.
    virtual std::string serverDataFolder() = 0;
    // Fails when the file cannot be opened for reading.
    virtual std::int64_t measureFileSize(const std::filesystem::path& file) = 0;
    // What became of one file, for the run journal.
    virtual void noteFileOutcome(const std::string& /*fileName*/, bool /*delivered*/, const std::string& /*detail*/) {}
};

}  // namespace velmora
