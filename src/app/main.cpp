#include "app/Startup.h"

int main(int argc, char *argv[])
{
    return RunKelvaro(argc, argv);
}
