#include "kvrn/Sim.h"

int main() {
    return 0;
}
