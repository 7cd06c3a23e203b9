// Message boxes in tests: recorded, answered with a chosen result.
#pragma once
#include <string>
#include <vector>

struct RecordedBox {
    std::string text;
    std::string caption;
    unsigned type;
};

void InstallRecordingMessageBox();
std::vector<RecordedBox>& RecordedBoxes();
void SetNextBoxAnswer(int answer);  // IDOK unless set
