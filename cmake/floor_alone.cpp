// The program each floor is linked into on its own, whole, to prove that it
// needs nothing from the floors above it. It is built, never run.
int main() {
    return 0;
}
