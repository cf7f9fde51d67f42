// Linked with subsystem version 6.0 (see CMakeLists.txt), which the PE check must reject.
int main()
{
    return 0;
}
