#include "app/headless/check_command.h"

#include "app/headless/check_report.h"
#include "app/headless/file_sniff.h"
#include "app/headless/opened_scene.h"

namespace app {

ExitCode RunCheck(const CheckRequest& request, std::ostream& out, std::ostream& err) {
    CheckReport report;
    OpenedScene scene;
    std::string error;
    if (!OpenScene(request.input, &report, scene, error)) {
        err << error << '\n';
        return kExitBadRequest;
    }
    // What makes the whole file unusable comes first: it explains the rest.
    std::size_t count = 0;
    for (const FileProblem& problem : SniffTextFile(request.input)) {
        out << request.input << ':' << problem.line << ": error: " << problem.text << '\n';
        ++count;
    }
    const std::vector<std::string> lines = report.Lines(request.input);
    for (const std::string& line : lines) out << line << '\n';
    count += lines.size();
    const doc::LoadSummary& summary = scene.document->LastLoadSummary();
    if (summary.faces == 0 && summary.strokes == 0) {
        out << request.input << ": warning: the file draws nothing (no face, no stroke)\n";
        ++count;
    }
    out << SummaryLine(request.input, summary, count) << '\n';
    return count == 0 ? kExitDone : kExitFound;
}

}  // namespace app
