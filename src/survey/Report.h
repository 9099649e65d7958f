#pragma once
// The report block of an estimate and its result record: the data note, the
// four heading lines, the design, a row per domain (and category), and with
// additional figures on, their lines at the block's end.
#include <string>
#include <vector>

#include "framework/Catalogue.h"
#include "framework/Record.h"
#include "survey/Design.h"
#include "survey/Estimate.h"

namespace mirto {
class CTervoDoc;
}  // namespace mirto

namespace mirto::survey {

class Calibration;

// The commands of the estimate and calibration blocks ("Data > Estimate",
// "Data > Calibrate"), without menu items.
extern const CommandTable kTable;
inline constexpr const CommandTable* kFamilyTables[] = {&kTable};
inline constexpr Family kFamily{"survey", kFamilyTables};

// The command ids and paths the blocks carry in the results files.
const Command& EstimateCommand();
const Command& CalibrateCommand();

// The lines of the block after the separator; `extras` adds the additional
// figures. With a calibration the estimates are those of calibrated weights.
std::vector<std::string> BlockLines(const Design& design, const Estimates& estimates, bool extras,
                                    const Calibration* calibration = nullptr);
// The data note written just before the block.
std::vector<std::string> NoteLines(const Design& design, const Estimates& estimates);
Record ToRecord(const Design& design, const Estimates& estimates, bool extras,
                const Calibration* calibration = nullptr);

// Appends the block (with the note before it) to the journal.
void WriteBlock(CTervoDoc& doc, const Design& design, const Estimates& estimates,
                const Calibration* calibration = nullptr);

// The block of `calibrate` (CalibrateReport.cpp): the method and the margins,
// each total beside the sample's weighted values before and after, the g
// factors, the iterations.
std::vector<std::string> CalibrationLines(const Design& design, const Calibration& calibration);
std::vector<std::string> CalibrationNote(const Design& design, const Calibration& calibration);
Record CalibrationRecord(const Design& design, const Calibration& calibration);
void WriteCalibrationBlock(CTervoDoc& doc, const Design& design, const Calibration& calibration);

// What the survey blocks share.
void AppendBlock(CTervoDoc& doc, const Command& command, const std::vector<std::string>& note,
                 const std::vector<std::string>& lines, const Record& record);
std::string MethodLine(const Design& design);

// The design as a statement writes it ("weight=pw strata=stype ..."), and
// an estimate ("mean api00 by=stype"): the statements read them back as given.
std::string DesignText(const Design& design);
std::string DesignText(const DesignRequest& request);
std::string EstimateText(const EstimateRequest& request);
// What the design found, as the block's design lines give it: strata, PSUs,
// units, sum of weights, single-PSU strata, replicates.
std::vector<std::string> DesignSummary(const Design& design);

}  // namespace mirto::survey
