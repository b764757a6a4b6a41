#pragma once

#include "model/MorphMesh.h"
#include "render/Camera.h"
#include "render/RenderDevice.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <glm/gtc/quaternion.hpp>
#include <memory>
#include <optional>
#include <string>

// The demo object: everything that is drawn and everything needed to draw it. Built once on the
// render device (its base part, so the device comes first and goes last), it draws the morphing
// head and the static mesh every frame and turns mouse input into camera motion. The channel
// weights live in the head's channel set, where the settings dialog edits them. Built for every
// target at once, it also draws a whole pose: every target with its weight.
class Scene : public RenderDevice {
  public:
    explicit Scene(const WindowTarget& target, MorphPath path = MorphPath::SevenChannels);
    ~Scene() override;

    void renderFrame(float dt);

    // Mouse input from the window, in client coordinates.
    void onMouseMove(std::int32_t x, std::int32_t y);
    void onMouseWheel(std::int32_t delta);
    void setDragging(bool dragging) { dragging_ = dragging; }

    // Draws every mesh at full detail instead of the coarsest level that looks the same; for
    // comparisons and benchmarks.
    void setFullDetail(bool fullDetail) { fullDetail_ = fullDetail; }
    // The index buffers the last frame drew the head and the static mesh with.
    std::int32_t drawnHeadIndexBuffer() const { return drawnHeadIndexBuffer_; }
    std::int32_t drawnStaticIndexBuffer() const { return drawnStaticIndexBuffer_; }

    // From now on the head is drawn with every target at its weight here, in the order of
    // morphMesh().targetNames(), when the scene was built for it and the device could hold it;
    // otherwise the channels go on drawing it.
    void setPose(const std::vector<float>& targetWeights) { pose_ = targetWeights; }
    bool drawsAllTargets() const { return path_ == MorphPath::AllTargets; }

    // Drawn with every target, the head turns by this rotation (in the head's axes, about the
    // pivot of its mesh file), each vertex by its own share. Where the file has no turn, or the
    // channels draw the head, it stays still.
    void setHeadRotation(const glm::quat& rotation) { headRotation_ = rotation; }
    bool turnsHead() const { return turn_ && turn_->fromFile && drawsAllTargets(); }

    // Whether a frame now would differ from the last one drawn: the camera, a channel, the pose,
    // or the window asked for a redraw (exposed again, resized). Until the first frame, always.
    bool pictureChanged() const;
    // The next frames are drawn whatever they show. A window just resized asks for a few: the
    // driver may learn the new size of its surface a frame after the window system reports it,
    // and a single frame drawn at the old size would stay on screen.
    void requestRedraw(std::int32_t frames = 1) {
        redrawFramesLeft_ = std::max(redrawFramesLeft_, frames);
    }

    MorphChannelSet& channelSet() { return morphMesh_->channelSet; }
    const MorphMesh& morphMesh() const { return *morphMesh_; }
    Camera& camera() { return camera_; }
    float frameTime() const { return frameTime_; }

  private:
    // What the last frame showed, to tell whether the next one would show anything new.
    struct DrawnInputs {
        glm::mat4 view{0.0f};
        glm::mat4 projection{0.0f};
        std::vector<float> channelWeights;
        std::vector<std::string> channelTargets;
        std::vector<float> pose;
        glm::quat headRotation{0.0f, 0.0f, 0.0f, 0.0f};
    };
    bool sameAsDrawn() const;
    void rememberDrawn();

    void drawMorphMesh();
    void drawChannels();
    void drawAllTargets();
    void drawStaticMesh();
    void bindTextures(ShaderD3D9& pixelShader);
    void setFrameConstants(ShaderD3D9& vertexShader, ShaderD3D9& pixelShader);
    void setTurnConstants(ShaderD3D9& vertexShader);
    // The camera's eye where the head's rest pose sees it: turned back with the head.
    glm::vec3 eyeSeenByRestHead() const;
    std::int32_t indexBufferFor(const MeshDetail& detail, std::int32_t fullIndexBuffer) const;

    WindowTarget target_;
    std::int32_t morphChannelCount_ = morphChannelCount;
    std::string meshPath_;
    std::filesystem::path morphVertexShaderPath_;
    std::filesystem::path morphPixelShaderPath_;
    std::filesystem::path allTargetsVertexShaderPath_;
    std::filesystem::path staticVertexShaderPath_;
    std::filesystem::path staticPixelShaderPath_;
    std::filesystem::path turnedStaticVertexShaderPath_;
    glm::vec3 startEye_;
    glm::vec3 startTarget_;
    ShaderD3D9* morphVertexShader_ = nullptr;
    ShaderD3D9* morphPixelShader_ = nullptr;
    ShaderD3D9* allTargetsVertexShader_ = nullptr;
    // Chosen once: every target where it was asked for and the device holds them.
    MorphPath path_ = MorphPath::SevenChannels;
    std::vector<float> pose_;
    std::vector<glm::vec4> targetWeights_;
    std::unique_ptr<MorphMesh> morphMesh_;
    ShaderD3D9* staticVertexShader_ = nullptr;
    ShaderD3D9* staticPixelShader_ = nullptr;
    ShaderD3D9* turnedStaticVertexShader_ = nullptr;
    std::optional<HeadTurnBuffers> turn_;
    glm::quat headRotation_{1.0f, 0.0f, 0.0f, 0.0f};
    std::unique_ptr<StaticMeshBuffers> staticMesh_;
    Camera camera_;
    std::int32_t noiseTexture_ = 0;
    std::int32_t gradientTexture_ = 0;
    float frameTime_ = 0.0f;
    bool dragging_ = false;
    bool fullDetail_ = false;
    bool drawnOnce_ = false;
    std::int32_t redrawFramesLeft_ = 0;
    DrawnInputs drawn_;
    std::int32_t drawnHeadIndexBuffer_ = -1;
    std::int32_t drawnStaticIndexBuffer_ = -1;
    std::int32_t lastMouseX_ = 0;
    std::int32_t lastMouseY_ = 0;
};
