#include "App/Application.h"

int main(int argc, char** argv)
{
    return runVesperlog(argc, argv);
}
