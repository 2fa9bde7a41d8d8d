// Writes lines to one journal as an installation does, so that a test can run two at once
// on the same file:  journal_writer JOURNAL TAG COUNT EVENT  (starts writing when EVENT is set).
#include "platform/Journal.h"

#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 5) return 2;
    HANDLE go = OpenEventA(SYNCHRONIZE, FALSE, argv[4]);
    if (go == nullptr || WaitForSingleObject(go, 30000) != WAIT_OBJECT_0) return 3;
    CloseHandle(go);
    if (!OpenJournal(argv[1]) || JournalPath() != argv[1]) return 1;
    const int count = std::atoi(argv[3]);
    for (int i = 0; i < count; ++i) {
        JournalLine(std::string(argv[2]) + " line " + std::to_string(i));
        // Gives the other writer its turn, so the two runs' lines interleave.
        if (i % 10 == 0) Sleep(0);
    }
    CloseJournal();
    return 0;
}
