#include "app/Desktop.h"
#include "base/AtomicFile.h"

int main(int argc, char** argv)
{
    removeTemporaryFilesOnSignals();
    return runDesktop(argc, argv);
}
