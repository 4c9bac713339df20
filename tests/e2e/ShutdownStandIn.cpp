// Stands in for the system's ShutDown.exe in tests: records its arguments and ends.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    const char* record = std::getenv("DUSKLAMP_STANDIN_RECORD");
    if (!record)
        return 1;
    FILE* file = std::fopen(record, "w");
    if (!file)
        return 1;
    for (int i = 1; i < argc; ++i)
        std::fprintf(file, "%s%s", i > 1 ? " " : "", argv[i]);
    std::fprintf(file, "\n");
    std::fclose(file);
    return 0;
}
