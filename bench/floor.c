/* The floor: a statically linked process that does nothing. Starting it costs
   what any process costs here (fork or spawn, exec, exit, wait); the tool's
   start-up time is measured against it. */
int main(void) {
    return 0;
}
