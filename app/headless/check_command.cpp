#include "app/headless/check_command.h"

#include "app/headless/check_report.h"
#include "app/headless/opened_scene.h"

namespace app {

int RunCheck(const CheckRequest& request, std::ostream& out, std::ostream& err) {
    CheckReport report;
    OpenedScene scene;
    std::string error;
    if (!OpenScene(request.input, &report, scene, error)) {
        err << error << '\n';
        return 2;
    }
    const std::vector<std::string> lines = report.Lines(request.input);
    for (const std::string& line : lines) out << line << '\n';
    out << SummaryLine(request.input, scene.document->LastLoadSummary(), lines.size()) << '\n';
    return lines.empty() ? 0 : 1;
}

}  // namespace app
