#include "shell/ui/application.h"

int main(int argc, char** argv)
{
    return dovex::runApplication(argc, argv);
}
