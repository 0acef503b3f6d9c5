#include "sprite/Damage.h"
#include "sprite/GlRenderer.h"
#include "sprite/RasterRenderer.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>

#include "Fixtures.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace tavik::sprite {
namespace {

// Moving, turning, tinted sprites of both blend modes: drawn as the raster renderer draws them
// (8-bit rounding apart), and drawn only where they changed, over the frame before, as a whole redraw.
TEST(GlRendererTest, FramesMatchTheRasterRendererAndDrawingTheDamageGivesTheWholePicture)
{
    testing::DamageFilm film;
    DrawList list;
    DamageTracker tracker;
    GlRenderer partial;
    GlRenderer whole;
    ASSERT_TRUE(partial.initialize() && whole.initialize());
    const double scale = 1.5;
    const QSize pixels = (film.scene.size() * scale).toSize();
    QImage kept;
    for (int frame = 0; frame < testing::DamageFilm::kFrames; ++frame) {
        SCOPED_TRACE(frame);
        film.show(frame);
        list.build(film.scene);
        const QRegion damage = tracker.next(list, pixels, scale);
        if (!damage.isEmpty())
            kept = partial.renderToImage(list, pixels, scale, damage.boundingRect());
        const QImage picture = whole.renderToImage(list, pixels, scale);
        ASSERT_EQ(kept, picture);
        const QImage raster = RasterRenderer().render(list, pixels, scale);
        for (int y = 0; y < pixels.height(); ++y)
            for (int x = 0; x < pixels.width(); ++x)
                for (const int shift : {0, 8, 16, 24}) // measured up to 4 apart
                    ASSERT_NEAR((picture.pixel(x, y) >> shift) & 0xff, (raster.pixel(x, y) >> shift) & 0xff, 6);
    }
    // A texture is uploaded once; its GL copy goes when the last sprite holding it takes another.
    EXPECT_EQ(whole.textureCount(), 1u);
    const TexturePtr red = testing::glowTexture(Qt::red);
    for (SpriteNode* sprite : film.sprites) {
        sprite->setTexture(red);
        list.build(film.scene);
        (void)whole.renderToImage(list, pixels, scale);
        EXPECT_EQ(whole.textureCount(), sprite == film.sprites.back() ? 1u : 2u);
    }
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
