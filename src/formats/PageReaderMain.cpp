#include "formats/PageReaderProcess.h"

#include <cstdlib>

// Reads one PDF or DjVu for the program, in a process of its own that can be killed. The answer
// is whole once written: the process ends without tearing down what it read.
int main(int argc, char **argv) {
    std::_Exit(zk::PageReaderProcess::serve(argc, argv));
}
