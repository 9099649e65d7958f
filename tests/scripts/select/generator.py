#!/usr/bin/env python3
"""An independent implementation of the draw generator (docs/select.md), in
Python's arbitrary-precision integers: the expected values of
tests/select_methods_test.cpp come from running this file."""

MASK = (1 << 64) - 1


def splitmix64(state):
    state = (state + 0x9E3779B97F4A7C15) & MASK
    z = state
    z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & MASK
    z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & MASK
    return state, z ^ (z >> 31)


def rotl(x, k):
    return ((x << k) | (x >> (64 - k))) & MASK


class Xoshiro:
    def __init__(self, seed):
        self.s = []
        for _ in range(4):
            seed, z = splitmix64(seed)
            self.s.append(z)

    def next(self):
        s = self.s
        result = (rotl((s[1] * 5) & MASK, 7) * 9) & MASK
        t = (s[1] << 17) & MASK
        s[2] ^= s[0]
        s[3] ^= s[1]
        s[1] ^= s[2]
        s[0] ^= s[3]
        s[2] ^= t
        s[3] = rotl(s[3], 45)
        return result

    def uniform(self):
        return (self.next() >> 11) / 2**53

    def below(self, n):
        m = self.next() * n
        if (m & MASK) < n:
            threshold = (2**64 - n) % n
            while (m & MASK) < threshold:
                m = self.next() * n
        return m >> 64


def systematic(N, n, g):
    u = g.next() >> 11
    return [((j * 2**53 + u) * N) // (n * 2**53) for j in range(n)]


def reservoir(N, n, g):
    slots = list(range(n))
    for t in range(n, N):
        j = g.below(t + 1)
        if j < n:
            slots[j] = t
    return sorted(slots)


if __name__ == "__main__":
    for seed in (0, 1, 2**53 - 1):
        g = Xoshiro(seed)
        print(seed, [hex(g.next()) for _ in range(3)])
    g = Xoshiro(20240607)
    print("uniform", [repr(g.uniform()) for _ in range(3)])
    g = Xoshiro(7)
    print("below", [g.below(n) for n in (1, 10, 3, 2**63 + 5, 1000003)])
    # Positions (0-based) of the units a draw picks, the frame's rows less one.
    print("systematic N=103 n=10 seed=11", systematic(103, 10, Xoshiro(11)))
    print("reservoir N=50 n=7 seed=12", reservoir(50, 7, Xoshiro(12)))
    # tests/select_draw_test.cpp: draws from its ten-unit frame.
    print("systematic N=10 n=4 seed=11", systematic(10, 4, Xoshiro(11)))
    print("reservoir N=10 n=4 seed=12", reservoir(10, 4, Xoshiro(12)))
