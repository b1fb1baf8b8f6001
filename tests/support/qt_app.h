#pragma once
// One application object for a Qt test binary: made by the first test that needs it and
// ended before main returns.

namespace tarno_test {

void EnsureQtApp();

}  // namespace tarno_test
