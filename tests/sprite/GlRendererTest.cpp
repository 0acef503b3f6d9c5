#include "sprite/Damage.h"
#include "sprite/GlRenderer.h"
#include "sprite/RasterRenderer.h"
#include "sprite/Scene.h"
#include "sprite/SpriteNode.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>

#include "Fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tavik::sprite {
namespace {

// Drawn on the OpenGL 3.3 core context that main makes current.
class GlRendererTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(renderer.initialize()); }
    void TearDown() override { renderer.releaseResources(); }

    QImage drawGl(double scale = 1.0)
    {
        list.build(scene);
        return renderer.renderToImage(list, (scene.size() * scale).toSize(), scale);
    }

    Scene scene{{320, 200}};
    DrawList list;
    GlRenderer renderer;
};

// The largest difference in any channel of any pixel.
int largestDifference(const QImage& a, const QImage& b)
{
    int largest = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    return largest;
}

// Moving, turning, tinted sprites of both blend modes: drawn as the raster renderer draws them
// (8-bit rounding apart), and drawn only where they changed, over the frame before, as a whole redraw.
TEST_F(GlRendererTest, FramesMatchTheRasterRendererAndDrawingTheDamageGivesTheWholePicture)
{
    testing::DamageFilm film;
    DamageTracker tracker;
    GlRenderer whole;
    ASSERT_TRUE(whole.initialize());
    const double scale = 1.5;
    const QSize pixels = (film.scene.size() * scale).toSize();
    QImage kept;
    for (int frame = 0; frame < testing::DamageFilm::kFrames; ++frame) {
        SCOPED_TRACE(frame);
        film.show(frame);
        list.build(film.scene);
        const QRegion damage = tracker.next(list, pixels, scale);
        if (!damage.isEmpty())
            kept = renderer.renderToImage(list, pixels, scale, damage.boundingRect());
        const QImage picture = whole.renderToImage(list, pixels, scale);
        ASSERT_EQ(kept, picture);
        EXPECT_LE(largestDifference(picture, RasterRenderer().render(list, pixels, scale)), 6); // measured 4
    }
    whole.releaseResources();
}

TEST_F(GlRendererTest, OneDrawCallPerRunAndTexturesUploadedOnceAndReleasedWithTheirLastUser)
{
    auto& a = scene.addChild(std::make_unique<SpriteNode>(testing::glowTexture(Qt::white)));
    auto& b = scene.addChild(std::make_unique<SpriteNode>(a.texture()));
    (void)drawGl();
    EXPECT_EQ(renderer.textureCount(), 1u);
    EXPECT_EQ(renderer.lastDrawCalls(), 1);
    b.setTexture(testing::glowTexture(Qt::red, Filtering::Nearest));
    (void)drawGl();
    EXPECT_EQ(renderer.textureCount(), 2u);
    a.removeFromParent(); // the white glow has no user left
    (void)drawGl();
    EXPECT_EQ(renderer.textureCount(), 1u);
}

TEST_F(GlRendererTest, DrawsIntoTheCurrentFramebufferAndAnEmptyListClears)
{
    QOpenGLFramebufferObject target(QSize(64, 48));
    ASSERT_TRUE(target.bind());
    auto& sprite = scene.addChild(std::make_unique<SpriteNode>(Texture::white(), QSizeF(320, 200)));
    sprite.setPosition({160, 100});
    list.build(scene);
    renderer.render(list, target.size(), 0.2);
    EXPECT_EQ(target.toImage().pixel(32, 24), qRgba(255, 255, 255, 255));

    sprite.setHidden(true);
    list.build(scene);
    renderer.render(list, target.size(), 0.2);
    EXPECT_EQ(renderer.lastDrawCalls(), 0);
    EXPECT_EQ(qAlpha(target.toImage().pixel(32, 24)), 0);
    target.release();
}

} // namespace
} // namespace tavik::sprite

// OpenGL needs a GUI application; listing tests (at build time) needs none.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    QGuiApplication app(argc, argv);
    QSurfaceFormat format;
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    QOffscreenSurface surface;
    surface.setFormat(format);
    surface.create();
    QOpenGLContext context;
    context.setFormat(format);
    if (!context.create() || !context.makeCurrent(&surface)) {
        std::fputs("no OpenGL context; run under tests/with-xvfb\n", stderr);
        return 1;
    }
    return RUN_ALL_TESTS();
}
