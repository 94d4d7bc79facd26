#include "editor/assets/gltf/GltfUpload.h"

#include <cstddef>
#include <cstdint>

#include "editor/assets/Textures.h"
#include "editor/render/GL.h"

bool UploadImportedModel(ImportedModel& model) {
    if (model.vertices.empty() || model.indices.empty()) return false;
    GLuint vao = 0, vbo = 0, ebo = 0;
    glGenVertexArrays(1, &vao);
    glGenBuffers(1, &vbo);
    glGenBuffers(1, &ebo);
    model.vao = vao;
    model.vbo = vbo;
    model.ebo = ebo;
    if (!vao || !vbo || !ebo) return false;
    glBindVertexArray(vao);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(model.vertices.size() * sizeof(V3)), model.vertices.data(),
                 GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ebo);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(model.indices.size() * sizeof(uint32_t)), model.indices.data(),
                 GL_STATIC_DRAW);
    const GLsizei stride = GLsizei(sizeof(V3));
    const struct {
        GLuint location;
        GLint size;
        size_t offset;
    } attributes[] = {{0, 3, offsetof(V3, pos)},
                      {1, 3, offsetof(V3, color)},
                      {2, 3, offsetof(V3, normal)},
                      {3, 2, offsetof(V3, uv)},
                      {4, 4, offsetof(V3, tangent)}};
    for (const auto& a : attributes) {
        glEnableVertexAttribArray(a.location);
        glVertexAttribPointer(a.location, a.size, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(a.offset));
    }
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    model.indexCount = int32_t(model.indices.size());
    return glGetError() == GL_NO_ERROR;
}

void RequestImportedModelTextures(ImportedModel& model) {
    for (ImportedMaterial& m : model.materials) {
        auto request = [](const char* path, bool srgb, unsigned& tex, bool& has) {
            if (path[0]) tex = GetTextureFileForRender(path, srgb);
            has = tex != 0;
        };
        request(m.albedoPath, true, m.albedoTex, m.hasAlbedo);
        request(m.emissivePath, true, m.emissiveTex, m.hasEmissive);
        request(m.normalPath, false, m.normalTex, m.hasNormal);
        request(m.metallicRoughnessPath, false, m.metallicRoughnessTex, m.hasMetallicRoughness);
        request(m.aoPath, false, m.aoTex, m.hasAO);
        request(m.heightPath, false, m.heightTex, m.hasHeight);
    }
}

void ReleaseImportedModelGL(ImportedModel& model) {
    if (model.ebo) {
        GLuint b = model.ebo;
        glDeleteBuffers(1, &b);
    }
    if (model.vbo) {
        GLuint b = model.vbo;
        glDeleteBuffers(1, &b);
    }
    if (model.vao) {
        GLuint a = model.vao;
        glDeleteVertexArrays(1, &a);
    }
    model.vao = model.vbo = model.ebo = 0;
    model.indexCount = 0;
}
