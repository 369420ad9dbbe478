#include "driver/run.hpp"
#include "platform/platform.hpp"

int main(int argc, char** argv) {
    platform::start_process();
    finish_run(convert_palette(command_tail(platform::program_arguments(argc, argv))));
}
