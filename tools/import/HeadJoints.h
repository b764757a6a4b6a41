#pragma once

#include <string>
#include <tiny_gltf.h>
#include <vector>

// The joints a head turns about, as node indices (-1: none).
struct HeadJoints {
    int head = -1;
    int neck = -1; // always above the head
    bool fromVrm = false;
};

// The VRM humanoid's head and neck (VRM 0.x or VRMC_vrm 1.0), else nodes named as rigs name
// them: Head, mixamorig:Head, J_Bip_C_Head, CC_Base_Head, Bip01 Head, ... and their necks. A
// node that instances a mesh is never a joint (exporters name the head's mesh "Head" too), and
// a skin's joints win over other nodes of a matching name. Throws ImportError for a humanoid
// that names a node the file lacks.
HeadJoints findHeadJoints(const tinygltf::Model& model);

// Each node's parent, -1 for a root (or a node no other node lists as a child).
std::vector<int> nodeParents(const tinygltf::Model& model);

// Whether `node` is `ancestor` or hangs below it.
bool isAtOrBelow(const std::vector<int>& parents, int node, int ancestor);

// The node's name as one printable line, "node <index>" for an unnamed one.
std::string nodeLabel(const tinygltf::Model& model, int node);
