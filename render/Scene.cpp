#include "render/Scene.h"

#include "common/VectorState.h"
#include "render/CameraInput.h"
#include "render/ProceduralTextures.h"
#include "render/SceneHost.h"
#include "render/ScreenError.h"
#include "render/ShaderD3D9.h"

#include <QWindow>
#include <algorithm>
#include <cmath>
#include <glm/geometric.hpp>
#include <string>
#include <vector>

namespace {
constexpr std::uint32_t opaqueWhite = 0xFFFFFFFF;
const glm::vec4 lightDirection(0.0f, 0.0f, 1.0f, 0.0f);
// A coarser level is drawn while its error, seen from the camera's distance to the mesh, spans
// at most this much of a pixel: shading differs in a few pixels at the edges, and switching
// levels while zooming shows no pop.
constexpr float acceptedErrorPixels = 0.5f;
} // namespace

Scene::Scene(const WindowTarget& target, MorphPath path)
    : RenderDevice(target), target_(target), meshPath_("data/meshes/headModelNew.dat"),
      morphVertexShaderPath_("data/shaders/morphVertexShader.vsh"),
      morphPixelShaderPath_("data/shaders/morphPixelShader.psh"),
      allTargetsVertexShaderPath_("data/shaders/morphAllTargetsVertexShader.vsh"),
      staticVertexShaderPath_("data/shaders/staticVertexShader.vsh"),
      staticPixelShaderPath_("data/shaders/staticPixelShader.psh"),
      turnedStaticVertexShaderPath_("data/shaders/turnedStaticVertexShader.vsh"),
      startEye_(0.0f, -10.0f, 450.0f), startTarget_(0.0f, -10.0f, 0.0f) {
    // Qt and the driver may leave the vector state dirty; each heavy stage starts clean.
    clearUpperVectorState();
    // Shaders first, so a broken shader file is reported before the slower work below.
    morphVertexShader_ = createShader(morphVertexShaderPath_, ShaderType::Vertex);
    morphPixelShader_ = createShader(morphPixelShaderPath_, ShaderType::Pixel);
    staticVertexShader_ = createShader(staticVertexShaderPath_, ShaderType::Vertex);
    staticPixelShader_ = createShader(staticPixelShaderPath_, ShaderType::Pixel);

    camera_.setAspectRatio(static_cast<float>(target.width) / static_cast<float>(target.height));
    camera_.init(startEye_, startTarget_);

    {
        // The texture keeps the only copy; the 8 MB buffer goes as soon as it is uploaded.
        std::vector<std::uint8_t> noiseVolume(noiseVolumeBytes);
        // fillNoiseVolume is VEX-encoded where AVX exists, so a dirty state costs it nothing.
        fillNoiseVolume(noiseVolume.data());
        noiseTexture_ = createVolumeTexture(noiseVolume.data());
    }
    gradientTexture_ = buildGradientTexture(*this);

    clearUpperVectorState();
    HeadModel headModel = loadHeadModel(meshPath_, *this, morphChannelCount_, path);
    morphMesh_ = std::move(headModel.morphMesh);
    staticMesh_ = std::move(headModel.staticMesh);
    if (morphMesh_->allTargets) {
        allTargetsVertexShader_ = createShader(allTargetsVertexShaderPath_, ShaderType::Vertex);
        turnedStaticVertexShader_ = createShader(turnedStaticVertexShaderPath_, ShaderType::Vertex);
        turn_ = headModel.turn;
        path_ = MorphPath::AllTargets;
    }

    if (auto* host = dynamic_cast<SceneHost*>(target_.window))
        host->setScene(this);
}

Scene::~Scene() {
    // The window outlives the scene; from here on its input must not reach it.
    if (auto* host = dynamic_cast<SceneHost*>(target_.window))
        host->setScene(nullptr);
}

void Scene::renderFrame(float dt) {
    frameTime_ = dt;
    clear(opaqueWhite, 1.0f, 0);
    beginScene();
    drawMorphMesh();
    drawStaticMesh();
    endScene();
    present();
    rememberDrawn();
}

bool Scene::pictureChanged() const {
    return !drawnOnce_ || redrawFramesLeft_ > 0 || !sameAsDrawn();
}

bool Scene::sameAsDrawn() const {
    if (camera_.view() != drawn_.view || camera_.projection() != drawn_.projection ||
        headRotation_ != drawn_.headRotation)
        return false;
    if (path_ == MorphPath::AllTargets)
        return pose_ == drawn_.pose;
    const MorphChannelSet& channels = morphMesh_->channelSet;
    for (std::int32_t channel = 0; channel < channels.channelCount(); ++channel) {
        const auto index = static_cast<std::size_t>(channel);
        if (channels.getChannelWeight(channel) != drawn_.channelWeights[index] ||
            channels.getChannelTarget(channel) != drawn_.channelTargets[index])
            return false;
    }
    return true;
}

void Scene::rememberDrawn() {
    drawnOnce_ = true;
    if (redrawFramesLeft_ > 0)
        --redrawFramesLeft_;
    drawn_.view = camera_.view();
    drawn_.projection = camera_.projection();
    drawn_.headRotation = headRotation_;
    if (path_ == MorphPath::AllTargets) {
        drawn_.pose = pose_;
        return;
    }
    const MorphChannelSet& channels = morphMesh_->channelSet;
    const auto count = static_cast<std::size_t>(channels.channelCount());
    drawn_.channelWeights.resize(count);
    drawn_.channelTargets.resize(count);
    for (std::size_t channel = 0; channel < count; ++channel) {
        const auto index = static_cast<std::int32_t>(channel);
        drawn_.channelWeights[channel] = channels.getChannelWeight(index);
        drawn_.channelTargets[channel] = channels.getChannelTarget(index);
    }
}

void Scene::bindTextures(ShaderD3D9& pixelShader) {
    const std::uint32_t noiseUnit = pixelShader.getSamplerIndex("noiseTexture");
    bindTexture(noiseUnit, noiseTexture_);
    setLinearFilter(noiseUnit);
    setAddressMode(noiseUnit, AddressWrap);

    const std::uint32_t gradientUnit = pixelShader.getSamplerIndex("gradientTexture");
    bindTexture(gradientUnit, gradientTexture_);
    setLinearFilter(gradientUnit);
    setAddressMode(gradientUnit, AddressClamp);
}

void Scene::setFrameConstants(ShaderD3D9& vertexShader, ShaderD3D9& pixelShader) {
    vertexShader.setMatrix("viewProj", multiplyRowMajor(camera_.view(), camera_.projection()));
    vertexShader.setVector("eyePosition", glm::vec4(camera_.eye(), 0.0f));
    pixelShader.setVector("lightDir", lightDirection);
}

std::int32_t Scene::indexBufferFor(const MeshDetail& detail, std::int32_t fullIndexBuffer) const {
    if (fullDetail_ || !detail.hasBounds)
        return fullIndexBuffer;
    // The nearest point of the box: close up, part of the mesh is nearer than its centre, and
    // the error there must stay within the pixel budget too.
    const glm::vec3 eye = eyeSeenByRestHead();
    const glm::vec3 nearest = glm::clamp(eye, detail.boundsMin, detail.boundsMax);
    const float distance = glm::distance(eye, nearest);
    const float maxError =
        largestErrorWithin(acceptedErrorPixels, distance, camera_.projection(), target_.height);
    return detail.indexBufferWithin(maxError, fullIndexBuffer);
}

glm::vec3 Scene::eyeSeenByRestHead() const {
    // The neck turns less than the head, but moves less too: the head's own turn bounds how far
    // any vertex comes towards the camera.
    if (!turn_)
        return camera_.eye();
    return turn_->pivot + glm::inverse(headRotation_) * (camera_.eye() - turn_->pivot);
}

void Scene::setTurnConstants(ShaderD3D9& vertexShader) {
    // The shortest way round, so that a share of the turn never goes the long way.
    glm::quat rotation = glm::normalize(headRotation_);
    if (rotation.w < 0.0f)
        rotation = -rotation;
    const float halfSine = glm::length(glm::vec3(rotation.x, rotation.y, rotation.z));
    const float angle = 2.0f * std::atan2(halfSine, rotation.w);
    const glm::vec3 axis = halfSine > 1e-7f
                               ? glm::vec3(rotation.x, rotation.y, rotation.z) / halfSine
                               : glm::vec3(0.0f, 1.0f, 0.0f);
    vertexShader.setVector("headTurn", glm::vec4(axis, angle));
    vertexShader.setVector("headPivot", glm::vec4(turn_->pivot, 1.0f));
}

void Scene::drawMorphMesh() {
    if (path_ == MorphPath::AllTargets)
        drawAllTargets();
    else
        drawChannels();
}

void Scene::drawChannels() {
    bindTextures(*morphPixelShader_);
    bindVertexDeclaration(morphMesh_->vertexDeclaration);
    drawnHeadIndexBuffer_ = indexBufferFor(morphMesh_->detail, morphMesh_->indexBuffer);
    bindIndexBuffer(drawnHeadIndexBuffer_);
    bindVertexBuffer(0, morphMesh_->baseVertexBuffer);

    const MorphChannelSet& channels = morphMesh_->channelSet;
    for (std::int32_t channel = 0; channel < channels.channelCount(); ++channel) {
        const std::int32_t buffer =
            morphMesh_->targetVertexBuffer(channels.getChannelTarget(channel));
        bindVertexBuffer(static_cast<std::uint32_t>(channel) + 1, buffer);
        morphVertexShader_->setFloat("weight" + std::to_string(channel),
                                     channels.getChannelWeight(channel));
    }

    bindShader(morphVertexShader_);
    bindShader(morphPixelShader_);
    setFrameConstants(*morphVertexShader_, *morphPixelShader_);
    drawIndexed();
}

void Scene::drawAllTargets() {
    const TargetOffsets& offsets = *morphMesh_->allTargets;
    bindTextures(*morphPixelShader_);
    bindVertexDeclaration(offsets.vertexDeclaration);
    drawnHeadIndexBuffer_ = indexBufferFor(morphMesh_->detail, morphMesh_->indexBuffer);
    bindIndexBuffer(drawnHeadIndexBuffer_);
    bindVertexBuffer(0, morphMesh_->baseVertexBuffer);
    bindVertexBuffer(1, turn_->headWeights);

    // Four weights a vector; a target the pose leaves out weighs 0.
    targetWeights_.assign((static_cast<std::size_t>(offsets.targetCount) + 3) / 4, glm::vec4(0.0f));
    const auto weighed = std::min(pose_.size(), static_cast<std::size_t>(offsets.targetCount));
    for (std::size_t target = 0; target < weighed; ++target)
        targetWeights_[target / 4][static_cast<glm::length_t>(target % 4)] = pose_[target];
    ShaderD3D9& shader = *allTargetsVertexShader_;
    shader.setVectorArray("targetWeights", targetWeights_.data(),
                          static_cast<std::uint32_t>(targetWeights_.size()));
    bindTexture(shader.getSamplerIndex("vertexRuns"), offsets.runs);
    bindTexture(shader.getSamplerIndex("targetOffsets"), offsets.offsets);

    bindShader(allTargetsVertexShader_);
    bindShader(morphPixelShader_);
    setFrameConstants(shader, *morphPixelShader_);
    setTurnConstants(shader);
    drawIndexed();
}

void Scene::drawStaticMesh() {
    // With every target, the teeth turn with the head.
    const bool turned = path_ == MorphPath::AllTargets;
    ShaderD3D9& vertexShader = turned ? *turnedStaticVertexShader_ : *staticVertexShader_;
    bindTextures(*staticPixelShader_);
    bindVertexDeclaration(turned ? turn_->staticDeclaration : staticMesh_->vertexDeclaration);
    drawnStaticIndexBuffer_ = indexBufferFor(staticMesh_->detail, staticMesh_->indexBuffer);
    bindIndexBuffer(drawnStaticIndexBuffer_);
    bindVertexBuffer(0, staticMesh_->vertexBuffer);
    if (turned)
        bindVertexBuffer(1, turn_->staticWeights);

    bindShader(&vertexShader);
    bindShader(staticPixelShader_);
    setFrameConstants(vertexShader, *staticPixelShader_);
    if (turned)
        setTurnConstants(vertexShader);
    drawIndexed();
}

void Scene::onMouseMove(std::int32_t x, std::int32_t y) {
    if (!dragging_)
        return;
    const std::int32_t dx = x - lastMouseX_;
    const std::int32_t dy = y - lastMouseY_;
    lastMouseX_ = x;
    lastMouseY_ = y;
    camera_.transform(dragRotation(dx, dy, frameTime_, camera_.eye()));
}

void Scene::onMouseWheel(std::int32_t delta) {
    camera_.moveForward(wheelDistance(delta, frameTime_));
}
