#pragma once

#include "common/DisplaySizes.h"

#include <glm/glm.hpp>

// The viewer. Kept as a camera-to-world matrix that mouse input multiplies; the view matrix and
// the eye are derived from it after every change. Matrices use the row-vector convention of
// Direct3D (a point is a row vector on the left) in a right-handed world: a glm::mat4 here holds
// the same 16 floats, in the same order, as the equivalent D3DX matrix.
class Camera {
  public:
    // Perspective of 30 degrees vertically for the back buffer's aspect ratio; looks from eye at
    // target.
    void init(const glm::vec3& eye, const glm::vec3& target);
    // Width over height of the picture, 4:3 unless set; taken by the next init. A wider picture
    // keeps the vertical framing and shows more at the sides.
    void setAspectRatio(float widthOverHeight) { aspectRatio_ = widthOverHeight; }
    // Applies m in world coordinates, after the camera's own placement.
    void transform(const glm::mat4& m);
    // Moves along the viewing direction; positive moves toward what the camera looks at.
    void moveForward(float distance);

    const glm::vec3& eye() const { return eye_; }
    const glm::vec3& target() const { return target_; }
    const glm::mat4& projection() const { return projection_; }
    const glm::mat4& view() const { return view_; }
    const glm::mat4& cameraToWorld() const { return cameraToWorld_; }

  private:
    void deriveFromCameraToWorld();

    glm::vec3 eye_{0.0f};
    glm::vec3 target_{0.0f};
    glm::vec3 up_{0.0f, 1.0f, 0.0f};
    float aspectRatio_ =
        static_cast<float>(backBufferSize.width) / static_cast<float>(backBufferSize.height);
    glm::mat4 projection_{1.0f};
    glm::mat4 view_{1.0f};
    glm::mat4 cameraToWorld_{1.0f};
};

// D3DXMatrixMultiply(a, b): a then b, in the row-vector convention.
inline glm::mat4 multiplyRowMajor(const glm::mat4& a, const glm::mat4& b) {
    return b * a;
}
