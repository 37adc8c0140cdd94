// KalemirQ: the QSPR modelling program.

#include "app/QsprCommandLine.h"

#include <string>
#include <vector>

int main(int argc, char** argv) {
    return kalemir::qspr::QsprMain(std::vector<std::string>(argv + 1, argv + argc));
}
