20. 0. 0. 0. 1 12          dX, dZ, X0, Z0, nPos, nSpac
0. 0. 0. 0. 0. 1 0          XA, ZA, XB, ZB, XMN, keyArr, iDir
5. 7. 10. 15. 20. 30. 40. 60. 80. 100. 150. 200.          spacings AB/2
