// The three scanner models as a whole: record sizes, default records and a
// decoder that names every field (for tracing and for `scanhost --show`).
#ifndef SCAN_RECORDS_MODELS_H
#define SCAN_RECORDS_MODELS_H

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace records {

enum class Model { FS2, ScanJet, Sharp };

// Record size in bytes: 40, 36 or 20.
std::size_t RecordSize(Model model);

// "fs2", "scanjet", "sharp".
const char* ModelName(Model model);

// Parses a model name ("fs2", "scanjet", "sharp"); nothing for anything else.
std::optional<Model> ParseModel(const std::string& name);

// The model whose options program has this name ("amberpane", "cobaltpane",
// "indigopane"; any directory part ignored); nothing when unknown.
std::optional<Model> ModelForProgram(const std::string& program);

// A plausible record of a freshly installed device.
std::vector<unsigned char> DefaultRecord(Model model);

// The n bytes at p as lowercase hex, two digits a byte.
std::string Hex(const unsigned char* p, std::size_t n);

// Every field of a record by name, with its value as text, in record order.
// A record shorter than the model's size decodes the fields it holds whole.
std::vector<std::pair<std::string, std::string>> DescribeRecord(Model model,
                                                                const unsigned char* bytes,
                                                                std::size_t length);

}  // namespace records

#endif
