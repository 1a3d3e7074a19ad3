#include "app/CommandLine.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    return CommandLine::main(argc, argv);
}
