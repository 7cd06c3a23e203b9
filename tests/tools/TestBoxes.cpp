#include "tools/TestBoxes.h"

#include <windows.h>

#include "util/MessageBox.h"

namespace {
int nextAnswer = IDOK;

int RecordingBox(HWND, const std::string& text, const std::string& caption, unsigned type) {
    RecordedBoxes().push_back({text, caption, type});
    int answer = nextAnswer;
    nextAnswer = IDOK;
    return answer;
}
}  // namespace

void InstallRecordingMessageBox() { SetMessageBoxFunction(RecordingBox); }

std::vector<RecordedBox>& RecordedBoxes() {
    static std::vector<RecordedBox> boxes;
    return boxes;
}

void SetNextBoxAnswer(int answer) { nextAnswer = answer; }
