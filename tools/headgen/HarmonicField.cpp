#include "HarmonicField.h"

#include "common/DemoError.h"

#include <cmath>

namespace {

// y = L x over the free vertices, L the graph Laplacian restricted to them.
void applyLaplacian(const std::vector<std::vector<int>>& neighbours,
                    const std::vector<int>& freeIndex, const std::vector<int>& freeVertices,
                    const std::vector<double>& x, std::vector<double>& y) {
    for (std::size_t k = 0; k < freeVertices.size(); ++k) {
        const auto& around = neighbours[static_cast<std::size_t>(freeVertices[k])];
        double sum = static_cast<double>(around.size()) * x[k];
        for (int n : around)
            if (freeIndex[static_cast<std::size_t>(n)] >= 0)
                sum -= x[static_cast<std::size_t>(freeIndex[static_cast<std::size_t>(n)])];
        y[k] = sum;
    }
}

double dot(const std::vector<double>& a, const std::vector<double>& b) {
    double sum = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += a[i] * b[i];
    return sum;
}

} // namespace

std::vector<double> harmonicField(const std::vector<std::vector<int>>& neighbours,
                                  const std::vector<std::optional<double>>& fixed) {
    const std::size_t count = neighbours.size();
    std::vector<int> freeIndex(count, -1);
    std::vector<int> freeVertices;
    for (std::size_t i = 0; i < count; ++i)
        if (!fixed[i]) {
            freeIndex[i] = static_cast<int>(freeVertices.size());
            freeVertices.push_back(static_cast<int>(i));
        }
    // Right-hand side: the fixed neighbours' values.
    std::vector<double> b(freeVertices.size(), 0.0);
    for (std::size_t k = 0; k < freeVertices.size(); ++k)
        for (int n : neighbours[static_cast<std::size_t>(freeVertices[k])])
            if (fixed[static_cast<std::size_t>(n)])
                b[k] += *fixed[static_cast<std::size_t>(n)];

    // Conjugate gradients from zero. The restricted Laplacian is symmetric, and positive
    // definite on every free region that touches a fixed vertex; the others have no
    // right-hand side and stay at zero.
    std::vector<double> x(b.size(), 0.0), r = b, p = b, ap(b.size());
    double rr = dot(r, r);
    const double tolerance = 1e-20 * std::max(rr, 1.0);
    for (std::size_t iteration = 0; iteration < 20 * b.size() + 100 && rr > tolerance;
         ++iteration) {
        applyLaplacian(neighbours, freeIndex, freeVertices, p, ap);
        const double pAp = dot(p, ap);
        if (!(pAp > 0.0))
            throw DemoError("head generator: a weight field's system is singular");
        const double alpha = rr / pAp;
        for (std::size_t k = 0; k < x.size(); ++k) {
            x[k] += alpha * p[k];
            r[k] -= alpha * ap[k];
        }
        const double rrNext = dot(r, r);
        for (std::size_t k = 0; k < p.size(); ++k)
            p[k] = r[k] + (rrNext / rr) * p[k];
        rr = rrNext;
    }
    if (rr > tolerance)
        throw DemoError("head generator: a weight field did not converge");

    std::vector<double> field(count);
    for (std::size_t i = 0; i < count; ++i)
        field[i] = fixed[i] ? *fixed[i] : x[static_cast<std::size_t>(freeIndex[i])];
    return field;
}
