// A new process that opens one document and ends normally: what the next
// start of the editor does. Prints the document's working directory.
#include "wave/CRMWave.h"

#include <iostream>

int main()
{
    CRMWave wave;
    if (wave.GetPath().empty())
        return 2;
    std::cout << wave.GetPath().parent_path().string() << std::endl;
    return 0;
}
