#include "NodeTransforms.h"

#include "ImportError.h"

#include <algorithm>
#include <cmath>
#include <glm/ext/matrix_transform.hpp>
#include <glm/gtc/quaternion.hpp>
#include <glm/gtc/type_ptr.hpp>

glm::dmat4 localTransform(const tinygltf::Node& node) {
    const auto finite = [](const std::vector<double>& values) {
        return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
    };
    if (!finite(node.matrix) || !finite(node.translation) || !finite(node.rotation) ||
        !finite(node.scale))
        throw ImportError("node \"" + node.name + "\" has a non-finite transform");
    if (node.matrix.size() == 16)
        return glm::make_mat4(node.matrix.data());
    glm::dmat4 transform(1.0);
    if (node.translation.size() == 3)
        transform = glm::translate(transform, glm::make_vec3(node.translation.data()));
    if (node.rotation.size() == 4) {
        // glTF stores x, y, z, w.
        const glm::dquat rotation(node.rotation[3], node.rotation[0], node.rotation[1],
                                  node.rotation[2]);
        const double length = glm::length(rotation);
        if (length > 0.0)
            transform *= glm::mat4_cast(rotation / length);
    }
    if (node.scale.size() == 3)
        transform = glm::scale(transform, glm::make_vec3(node.scale.data()));
    return transform;
}

glm::dmat4 globalTransform(const tinygltf::Model& model, const std::vector<int>& parents,
                           int node) {
    glm::dmat4 transform(1.0);
    // No chain is longer than the node list; a cycle stops there.
    for (std::size_t steps = 0; node >= 0 && steps < parents.size(); ++steps) {
        transform = localTransform(model.nodes[static_cast<std::size_t>(node)]) * transform;
        node = parents[static_cast<std::size_t>(node)];
    }
    return transform;
}
