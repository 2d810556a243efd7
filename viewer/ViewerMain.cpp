#include <cstdio>

// Start-up stub until the application framework lands.
int main(int argc, char** argv)
{
    std::printf("Viewer %s\n", argc > 1 ? argv[1] : "");
    return 0;
}
